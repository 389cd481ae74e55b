#include "scan/active_time.h"

#include <limits>

#include "store/ascii_text.h"

namespace vy {

namespace {

// Setting the case bit folds the capitals onto the small letters, and no
// other byte onto them.
bool IsLetter(char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }

// Seconds of one unit word; 0 for a word that is no unit.
std::int32_t UnitSeconds(std::string_view word)
{
    if (word.empty())
        return 0;
    const char first = AsciiLower(word[0]);
    if (first == 'h' || (first == 's' && word.size() > 1 && AsciiLower(word[1]) == 't'))
        return 3600;
    if (first == 'm')
        return 60;
    if (first == 's')
        return 1;
    return 0;
}

}  // namespace

std::optional<std::int32_t> ReadDuration(std::string_view text, std::size_t* end)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::size_t i = 0;
    std::int64_t total = 0;
    bool anyPair = false;
    for (;;) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == text.size() || !IsAsciiDigit(text[i]))
            break;
        // A number beyond 64 bits overflows the sum all the same: its unit
        // is at least one second.
        std::int64_t number = 0;
        for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
            number = number * 10 + (text[i] - '0');
            if (number > kMax)
                return std::nullopt;
        }
        const std::size_t blanks = i;
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == blanks)
            return std::nullopt;  // a number needs a blank before its unit word
        const std::size_t wordStart = i;
        while (i < text.size() && IsLetter(text[i]))
            ++i;
        const std::int32_t unit = UnitSeconds(text.substr(wordStart, i - wordStart));
        if (unit == 0 || number > kMax)
            return std::nullopt;
        total += number * unit;
        if (total > kMax)
            return std::nullopt;
        anyPair = true;
    }
    if (!anyPair)
        return std::nullopt;
    if (end != nullptr)
        *end = i;
    return static_cast<std::int32_t>(total);
}

}  // namespace vy
