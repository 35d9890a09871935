// Which modem-line events a change between two readings of a tty's lines gives.
#include "serial/modem_watcher.h"
#include "serial/serial_device.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

using namespace kelvane;

namespace {

ModemLineSnapshot lines(
    int bits, bool counts = false, int cts = 0, int dsr = 0, int dcd = 0, int rng = 0)
{
    return {counts, cts, dsr, dcd, rng, bits};
}

TEST(ModemLines, EachLineThatToggledGivesItsEvent)
{
    EXPECT_EQ(modemLineChanges(lines(0), lines(0)), 0u);
    EXPECT_EQ(modemLineChanges(lines(0), lines(TIOCM_CTS)), CommEvent::Cts);
    EXPECT_EQ(modemLineChanges(lines(TIOCM_DSR), lines(0)), CommEvent::Dsr);
    EXPECT_EQ(modemLineChanges(lines(TIOCM_CD | TIOCM_CTS), lines(TIOCM_CTS)), CommEvent::Rlsd);
    EXPECT_EQ(modemLineChanges(lines(TIOCM_DTR), lines(TIOCM_RTS)), 0u)
        << "the output lines are not events";
}

TEST(ModemLines, RingCountsWhenItStarts)
{
    EXPECT_EQ(modemLineChanges(lines(0), lines(TIOCM_RNG)), CommEvent::Ring);
    EXPECT_EQ(modemLineChanges(lines(TIOCM_RNG), lines(0)), 0u);
}

TEST(ModemLines, CountersCatchALineThatWentAndCameBack)
{
    // The same line bits at both readings, but DSR and carrier changed twice in between.
    const auto before = lines(TIOCM_DSR | TIOCM_CD, true, 4, 7, 1, 0);
    const auto after = lines(TIOCM_DSR | TIOCM_CD, true, 4, 9, 3, 2);
    EXPECT_EQ(modemLineChanges(before, after), CommEvent::Dsr | CommEvent::Rlsd | CommEvent::Ring);
    EXPECT_EQ(modemLineChanges(before, lines(TIOCM_DSR | TIOCM_CD, false, 4, 9, 3, 2)), 0u)
        << "counters of only one reading say nothing";
}

} // namespace
