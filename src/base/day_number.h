// Calendar dates and day numbers: day 1 is 1 January of year 1 in the proleptic Gregorian
// calendar, 693596 is 1 January 1900. Pure functions, thread-safe.
#pragma once

#include <cstdint>

namespace kelvane {

struct CalendarDate
{
    int year;
    int month;
    int day;
};

namespace DayNumber {

inline constexpr int32_t Jan1st1900 = 693596;
// 31 December 9999, the last date with a four-digit year.
inline constexpr int32_t LastFourDigitYearDay = 3652059;

bool isValidDate(int year, int month, int day);
// REQUIRES: isValidDate(year, month, day).
int32_t fromDate(int year, int month, int day);
// REQUIRES: dayNumber >= 1.
CalendarDate toDate(int32_t dayNumber);

} // namespace DayNumber

} // namespace kelvane
