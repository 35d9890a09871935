// Value types of the serial port component: line settings, modem lines, line errors, port events,
// and the small set type they share. Plain values; safe to copy between threads.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

namespace kelvane {

enum TBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};

// Bits per second by TBaudRate ordinal.
inline constexpr std::array<uint32_t, 15> BaudRateValues = {110, 300, 600, 1200, 2400, 4800, 9600,
    14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

enum TByteSize { bs5, bs6, bs7, bs8 };
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sb1, sb1_5, sb2 };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };

// A set of the members of a small enumeration, one bit per ordinal.
template<typename E> class EnumSet
{
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> members)
    {
        for (E m : members)
            m_bits |= bit(m);
    }

    constexpr bool contains(E m) const { return (m_bits & bit(m)) != 0; }
    constexpr bool empty() const { return m_bits == 0; }
    constexpr void include(E m) { m_bits |= bit(m); }
    constexpr void exclude(E m) { m_bits &= ~bit(m); }
    constexpr uint32_t bits() const { return m_bits; }
    constexpr bool operator==(const EnumSet &) const = default;

private:
    static constexpr uint32_t bit(E m) { return uint32_t {1} << static_cast<unsigned>(m); }
    uint32_t m_bits = 0;
};

enum ModemLine { mlCTS, mlDSR, mlRing, mlRLSD };
using TModemLines = EnumSet<ModemLine>;

enum ComError { errFrame, errRxParity, errOverrun, errBreak, errIO, errMode, errRxOver, errTxFull };
using TComErrors = EnumSet<ComError>;

enum PortEvent { peRxChar, peTxEmpty, peRing, peCTS, peDSR, peRLSD, peError, peRx80Full };
using TPortEvents = EnumSet<PortEvent>;

} // namespace kelvane
