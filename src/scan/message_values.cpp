#include "scan/message_values.h"

#include "store/ascii_text.h"
#include "store/date_value.h"

namespace vy {

namespace {

// Direction marks become "?" in single-byte text; as raw UTF-8 they are
// E2 80 8E and E2 80 8F.
void SkipMarks(std::string_view text, std::size_t& at)
{
    for (;;) {
        if (at < text.size() && text[at] == '?') {
            ++at;
        } else if (text.size() - at >= 3 && text.substr(at, 2) == "\xE2\x80" &&
                   (text[at + 2] == '\x8E' || text[at + 2] == '\x8F')) {
            at += 3;
        } else {
            return;
        }
    }
}

// One or two digits at at (after any marks), at moving past them; -1 when
// none.
int SmallNumber(std::string_view text, std::size_t& at)
{
    SkipMarks(text, at);
    std::size_t digits = 0;
    while (digits < 2 && at + digits < text.size() && IsAsciiDigit(text[at + digits]))
        ++digits;
    if (digits == 0)
        return -1;
    int value = 0;
    for (std::size_t k = 0; k < digits; ++k)
        value = value * 10 + (text[at + k] - '0');
    at += digits;
    return value;
}

bool IsAsciiLetter(char c) { return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z'; }

bool Take(std::string_view text, std::size_t& at, char c)
{
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

}  // namespace

DomainAndUser SplitDomainUser(std::string_view text)
{
    std::size_t end = 0;
    while (end < text.size() && text[end] != '\\' && text[end] != ' ')
        ++end;
    if (end == text.size() || text[end] == ' ')
        return {"Local", text};
    return {text.substr(0, end), text.substr(end + 1)};
}

std::optional<double> ReadConnectDate(std::string_view text, std::size_t& at)
{
    const int month = SmallNumber(text, at);
    if (month < 0 || !Take(text, at, '/'))
        return std::nullopt;
    const int day = SmallNumber(text, at);
    if (day < 0 || !Take(text, at, '/'))
        return std::nullopt;
    SkipMarks(text, at);
    if (text.size() - at < 4)
        return std::nullopt;
    const auto year = ReadDigits<unsigned>(text.substr(at, 4));
    if (!year)
        return std::nullopt;
    at += 4;
    return DateTimeOf(static_cast<int>(*year), month, day, 0, 0);
}

std::optional<double> ReadConnectTime(std::string_view text, std::size_t& at)
{
    const int hour = SmallNumber(text, at);
    if (hour < 0 || !Take(text, at, ':') || text.size() - at < 2)
        return std::nullopt;
    const auto minute = ReadDigits<unsigned>(text.substr(at, 2));
    if (!minute)
        return std::nullopt;
    at += 2;
    // A word of two letters after a blank is the half of the day, AM or PM;
    // without one the clock has 24 hours. Nothing may cling to the minutes.
    auto letter = [&text](std::size_t i) { return i < text.size() && IsAsciiLetter(text[i]); };
    if (letter(at) || (at < text.size() && IsAsciiDigit(text[at])))
        return std::nullopt;
    int hour24 = hour;
    if (at < text.size() && text[at] == ' ' && letter(at + 1) && letter(at + 2) && !letter(at + 3)) {
        const char half = AsciiLower(text[at + 1]);
        if (hour < 1 || hour > 12 || (half != 'a' && half != 'p') || AsciiLower(text[at + 2]) != 'm')
            return std::nullopt;
        hour24 = hour % 12 + (half == 'p' ? 12 : 0);
        at += 3;
    }
    return EncodeTime(hour24, static_cast<int>(*minute), 0);
}

}  // namespace vy
