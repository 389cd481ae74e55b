#pragma once
// The rules by which the values of a connection are read from its text,
// shared by every form that carries them: the message of the current
// servers' events and their insertion strings.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "store/ascii_text.h"
#include "store/date_value.h"

namespace vy {

// "DOMAIN\user": the domain up to the first "\" or blank; a blank first, or
// neither, means no domain ("Local") and the whole text is the user. The
// user is as written (lower-casing is the caller's).
struct DomainAndUser {
    std::string_view Domain;
    std::string_view User;
};
DomainAndUser SplitDomainUser(std::string_view text);

// A byte count: optional leading blanks, an optional sign, one or more
// digits, within the signed 64-bit range; nothing else. (Inline, as the next
// one: the classic line's parse calls them for every line.)
inline std::optional<std::int64_t> ReadByteCount(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(first);
    // from_chars takes a "-" but no "+"; after either sign a digit must come.
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || !IsAsciiDigit(text.front()))
            return std::nullopt;
    }
    return ReadDecimal<std::int64_t>(text);
}

// The date and time as a date-time value; nullopt for a date that does not
// exist or a time out of range. Remembers the last date on each thread: the
// lines of a log come in the order of their dates.
inline std::optional<double> DateTimeOf(int year, int month, int day, int hour, int minute)
{
    struct Last {
        int Year = -1, Month = -1, Day = -1;
        std::optional<double> Value;
    };
    thread_local Last last;
    if (year != last.Year || month != last.Month || day != last.Day) {
        last.Value = EncodeDate(year, month, day);
        last.Year = year;
        last.Month = month;
        last.Day = day;
    }
    const auto time = EncodeTime(hour, minute, 0);
    if (!last.Value || !time)
        return std::nullopt;
    return *last.Value + *time;
}

// "M/D/YYYY" from at (one or two digits for month and day), at moving past
// it. Unicode direction marks, which some servers put before each part and
// which single-byte text shows as "?", are passed over. The date value.
std::optional<double> ReadConnectDate(std::string_view text, std::size_t& at);

// "H:MM AM" (AM or PM in either case, hour 1 to 12) or "H:MM" on the
// 24-hour clock (hour 0 to 23), from at, at moving past it. The time of day
// as a fraction of a day.
std::optional<double> ReadConnectTime(std::string_view text, std::size_t& at);

}  // namespace vy
