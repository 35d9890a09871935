#include "base/day_number.h"

#include <chrono>

namespace kelvane {

namespace {

using namespace std::chrono;

// Day number of 1 January 1970, where the standard library's days count from.
constexpr int32_t EpochDayNumber = 719163;

year_month_day calendarDate(int y, int m, int d)
{
    return year_month_day {
        year {y}, month {static_cast<unsigned>(m)}, day {static_cast<unsigned>(d)}};
}

} // namespace

namespace DayNumber {

bool isValidDate(int year, int month, int day)
{
    // The calendar types keep a month and a day in a byte: out-of-range values must not wrap.
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    return calendarDate(year, month, day).ok();
}

int32_t fromDate(int year, int month, int day)
{
    return sys_days(calendarDate(year, month, day)).time_since_epoch().count() + EpochDayNumber;
}

CalendarDate toDate(int32_t dayNumber)
{
    const year_month_day date {sys_days {days {dayNumber - EpochDayNumber}}};
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
        static_cast<int>(static_cast<unsigned>(date.day()))};
}

} // namespace DayNumber

} // namespace kelvane
