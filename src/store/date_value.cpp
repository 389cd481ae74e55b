#include "store/date_value.h"

#include <chrono>
#include <cmath>

namespace vy {

namespace {

using namespace std::chrono;

constexpr int kDays1970From1899 = 25569;  // 1970-01-01 is day 25569

sys_days DayOf(double value) { return sys_days(days(static_cast<long long>(std::floor(value)) - kDays1970From1899)); }

}  // namespace

bool IsLeapYear(int year) { return std::chrono::year(year).is_leap(); }

int DaysInMonth(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    const std::chrono::month m(static_cast<unsigned>(month));
    const year_month_day_last last{std::chrono::year(year), month_day_last(m)};
    return static_cast<int>(static_cast<unsigned>(last.day()));
}

std::optional<double> EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const year_month_day date(std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day)));
    if (!date.ok())
        return std::nullopt;
    return static_cast<double>(sys_days(date).time_since_epoch().count() + kDays1970From1899);
}

std::optional<double> EncodeTime(int hour, int minute, int second)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return (hour * 3600 + minute * 60 + second) / 86400.0;
}

CivilDate DecodeDate(double value)
{
    const year_month_day date(DayOf(value));
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day()))};
}

int SecondsOfDay(double value)
{
    const double fraction = value - std::floor(value);
    const int seconds = static_cast<int>(std::lround(fraction * 86400.0));
    return seconds >= 86400 ? 86399 : seconds;
}

int DayOfWeek(double value)
{
    return static_cast<int>(weekday(DayOf(value)).c_encoding()) + 1;  // c_encoding: 0 = Sunday
}

}  // namespace vy
