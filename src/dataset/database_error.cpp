#include "dataset/database_error.h"

namespace kelvane {

std::string DatabaseErrorText(const std::string &componentName, const std::string &message)
{
    return componentName.empty() ? message : componentName + ": " + message;
}

void DatabaseError(const std::string &componentName, const std::string &message)
{
    throw EDatabaseError(DatabaseErrorText(componentName, message));
}

} // namespace kelvane
