// Which modem-line events a change between two readings of a tty's lines gives.
#include "serial/modem_watcher.h"
#include "serial/serial_device.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

using namespace kelvane;

namespace {

ModemLineSnapshot Lines(
    int bits, bool counts = false, int cts = 0, int dsr = 0, int dcd = 0, int rng = 0)
{
    return {counts, cts, dsr, dcd, rng, bits};
}

TEST(ModemLines, EachLineThatToggledGivesItsEvent)
{
    EXPECT_EQ(ModemLineChanges(Lines(0), Lines(0)), 0u);
    EXPECT_EQ(ModemLineChanges(Lines(0), Lines(TIOCM_CTS)), CommEvent::Cts);
    EXPECT_EQ(ModemLineChanges(Lines(TIOCM_DSR), Lines(0)), CommEvent::Dsr);
    EXPECT_EQ(ModemLineChanges(Lines(TIOCM_CD | TIOCM_CTS), Lines(TIOCM_CTS)), CommEvent::Rlsd);
    EXPECT_EQ(ModemLineChanges(Lines(TIOCM_DTR), Lines(TIOCM_RTS)), 0u)
        << "the output lines are not events";
}

TEST(ModemLines, RingCountsWhenItStarts)
{
    EXPECT_EQ(ModemLineChanges(Lines(0), Lines(TIOCM_RNG)), CommEvent::Ring);
    EXPECT_EQ(ModemLineChanges(Lines(TIOCM_RNG), Lines(0)), 0u);
}

TEST(ModemLines, CountersCatchALineThatWentAndCameBack)
{
    // The same line bits at both readings, but DSR and carrier changed twice in between.
    const auto before = Lines(TIOCM_DSR | TIOCM_CD, true, 4, 7, 1, 0);
    const auto after = Lines(TIOCM_DSR | TIOCM_CD, true, 4, 9, 3, 2);
    EXPECT_EQ(ModemLineChanges(before, after), CommEvent::Dsr | CommEvent::Rlsd | CommEvent::Ring);
    EXPECT_EQ(ModemLineChanges(before, Lines(TIOCM_DSR | TIOCM_CD, false, 4, 9, 3, 2)), 0u)
        << "counters of only one reading say nothing";
}

} // namespace
