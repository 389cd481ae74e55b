#include "scan/active_time.h"

#include <algorithm>
#include <limits>

#include "scan/line_parser.h"

namespace vy {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();

}  // namespace

std::int32_t UnitSeconds(std::string_view word)
{
    if (word.empty())
        return 0;
    const char first = Lower(word[0]);
    if (first == 'h' || (first == 's' && word.size() > 1 && Lower(word[1]) == 't'))
        return 3600;
    if (first == 'm')
        return 60;
    if (first == 's')
        return 1;
    return 0;
}

std::optional<std::int32_t> ReadDuration(std::string_view text)
{
    std::size_t i = 0;
    std::int64_t total = 0;
    bool anyPair = false;
    for (;;) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == text.size() || !IsDigit(text[i]))
            break;
        // The number saturates just above the limit: its unit is at least
        // one second, so it then overflows the sum all the same.
        std::int64_t number = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i)
            number = std::min<std::int64_t>(number * 10 + (text[i] - '0'), kMax + 1);
        const std::size_t blanks = i;
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == blanks)
            return std::nullopt;  // a number needs a blank before its unit word
        const std::size_t wordStart = i;
        while (i < text.size() && IsLetter(text[i]))
            ++i;
        const std::int32_t unit = UnitSeconds(text.substr(wordStart, i - wordStart));
        if (unit == 0)
            return std::nullopt;
        total += number * unit;
        if (total > kMax)
            return std::nullopt;
        anyPair = true;
    }
    if (!anyPair)
        return std::nullopt;
    return static_cast<std::int32_t>(total);
}

std::optional<std::int32_t> ExtractTime(std::string_view lang, std::string_view line)
{
    const std::string_view marker = MarkersFor(lang).Recognition;
    const std::size_t m = FindMarker(line, marker);
    if (m == std::string_view::npos)
        return std::nullopt;
    return ReadDuration(line.substr(m + marker.size()));
}

}  // namespace vy
