// Handlers run guarded: what escapes them is shown, unless the window's filter takes it over; then
// the window's recovery runs once the failed handler is over.
#include "framework/guarded.h"
#include "support/recording_sink.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace kelvane;

TEST(GuardedTest, ErrorsTakenByTheFilterAreRecoveredOutsideTheHandlerAndTheRestAreShown)
{
    RecordingSink sink;
    const auto failing
        = [](const char *what) { return [what] { throw std::runtime_error(what); }; };
    const ErrorFilter takesLost = [] {
        try {
            throw;
        } catch (const std::runtime_error &error) {
            return std::string(error.what()) == "lost";
        }
    };
    std::vector<std::string> recoveries;
    const auto recover
        = [&] { recoveries.push_back(std::current_exception() ? "inside the catch" : "after it"); };

    EXPECT_FALSE(runGuarded(sink, failing("lost"), takesLost, recover));
    EXPECT_FALSE(runGuarded(sink, failing("other"), takesLost, recover));
    EXPECT_TRUE(runGuarded(
        sink, [] {}, takesLost, recover));
    EXPECT_FALSE(runGuarded(sink, failing("lost"), takesLost)) << "no recovery given";
    // A recovery that fails in its turn is shown, not thrown at the event loop.
    guarded(sink, failing("lost"), takesLost, failing("recovery failed"))();

    EXPECT_EQ(recoveries, std::vector<std::string> {"after it"});
    EXPECT_EQ(sink.errors(), (std::vector<std::string> {"other", "recovery failed"}));
}
