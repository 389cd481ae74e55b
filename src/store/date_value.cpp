#include "store/date_value.h"

#include <cmath>

namespace vy {

namespace {
// Days from 0001-03-01 style civil arithmetic (Howard Hinnant's algorithm),
// shifted so that 1899-12-30 is day 0.

long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;  // days since 1970-01-01
}

CivilDate CivilFromDays(long long z)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const long long kDays1970From1899 = 25569;  // 1970-01-01 is day 25569
}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::optional<double> EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                               kDays1970From1899);
}

std::optional<double> EncodeTime(int hour, int minute, int second)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return (hour * 3600 + minute * 60 + second) / 86400.0;
}

CivilDate DecodeDate(double value)
{
    return CivilFromDays(static_cast<long long>(std::floor(value)) - kDays1970From1899);
}

int SecondsOfDay(double value)
{
    const double fraction = value - std::floor(value);
    int seconds = static_cast<int>(std::lround(fraction * 86400.0));
    return seconds >= 86400 ? 86399 : seconds;
}

int DayOfWeek(double value)
{
    // Day 0 (30 Dec 1899) was a Saturday.
    const long long day = static_cast<long long>(std::floor(value));
    const long long wd = ((day % 7) + 7 + 6) % 7;  // 0 = Sunday
    return static_cast<int>(wd) + 1;
}

}  // namespace vy
