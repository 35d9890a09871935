// EXPECT_COM_ERROR: expects a statement to raise EComPort with exactly the given message.
#pragma once

#include "serial/com_error.h"

#include <gtest/gtest.h>

namespace kelvane {

#define EXPECT_COM_ERROR(statement, message)                                                       \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
            ADD_FAILURE() << "no EComPort from " #statement;                                       \
        } catch (const EComPort &e) {                                                              \
            EXPECT_STREQ(e.what(), message);                                                       \
        }                                                                                          \
    } while (false)

} // namespace kelvane
