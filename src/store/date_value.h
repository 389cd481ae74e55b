#pragma once
// Date-time values: days since 30 December 1899 as a double, the fraction
// being the time of day, on the proleptic Gregorian calendar.

#include <optional>

namespace vy {

struct CivilDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12
// The whole day number of a calendar date; nullopt unless year is 1..9999
// and the month and day exist.
std::optional<double> EncodeDate(int year, int month, int day);
// A time of day as a fraction of a day; nullopt unless 0..23, 0..59, 0..59.
std::optional<double> EncodeTime(int hour, int minute, int second);
// The calendar date of a value; the time of day is dropped (rounding down,
// so a value and its own day number always give the same date).
CivilDate DecodeDate(double value);
// Seconds since midnight of the value's time of day, rounded to the nearest.
int SecondsOfDay(double value);
// 1 for Sunday up to 7 for Saturday.
int DayOfWeek(double value);

}  // namespace vy
