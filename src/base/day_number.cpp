#include "base/day_number.h"

namespace kelvane {

namespace {

// Day number of 1 January 1970, the epoch of the civil-day arithmetic below.
constexpr int64_t EpochDayNumber = 719163;

bool isLeapYear(int64_t year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Days since 1 January 1970 (H. Hinnant's days_from_civil).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

namespace DayNumber {

bool isValidDate(int year, int month, int day)
{
    static constexpr int DaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const int last = DaysInMonth[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0);
    return day <= last;
}

int32_t fromDate(int year, int month, int day)
{
    return static_cast<int32_t>(daysFromCivil(year, month, day) + EpochDayNumber);
}

CalendarDate toDate(int32_t dayNumber)
{
    const int64_t z = dayNumber - EpochDayNumber + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2);
    return {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

} // namespace DayNumber

} // namespace kelvane
