#pragma once
// The active time of a connection, written in its message as pairs of
// "<digits> <unit word>": "45 minutes 12 seconds", "45 Minuten 12 s.",
// "1 hour 2 minutes 3 seconds". ExtractTime (declared in line_parser.h)
// reads it after the recognition marker.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vy {

// Seconds of one unit word, compared without regard to case: a word
// beginning with "h" or "st" is an hour, else "m" a minute, else "s" a
// second; 0 for any other word.
std::int32_t UnitSeconds(std::string_view word);

// Reads the pairs at the start of text (blanks before and between them)
// until the next non-blank byte is not a digit. nullopt when there is no
// pair, a word is not a unit, or the sum passes 2147483647.
std::optional<std::int32_t> ReadDuration(std::string_view text);

}  // namespace vy
