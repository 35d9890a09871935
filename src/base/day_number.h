// Calendar dates and day numbers: day 1 is 1 January of year 1 in the proleptic Gregorian
// calendar, 693596 is 1 January 1900. Pure functions, thread-safe.
#pragma once

#include <cstdint>

namespace kelvane {

struct CalendarDate
{
    int Year;
    int Month;
    int Day;
};

namespace DayNumber {

inline constexpr int32_t Jan1st1900 = 693596;
// 31 December 9999, the last date with a four-digit year.
inline constexpr int32_t LastFourDigitYearDay = 3652059;

bool IsValidDate(int year, int month, int day);
// REQUIRES: IsValidDate(year, month, day).
int32_t FromDate(int year, int month, int day);
// REQUIRES: dayNumber >= 1.
CalendarDate ToDate(int32_t dayNumber);

} // namespace DayNumber

} // namespace kelvane
