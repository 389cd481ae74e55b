#pragma once
// The active time of a connection, written in its message as pairs of
// "<digits> <unit word>" after the recognition marker: "45 minutes 12
// seconds", "45 Minuten 12 s.", "1 hour 2 minutes 3 seconds".

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vy {

// Reads the pairs at the start of text (blanks before and between them)
// until the next non-blank byte is not a digit. A unit word is compared
// without regard to case: one beginning with "h" or "st" is an hour, else
// "m" a minute, else "s" a second. nullopt when there is no pair, a word is
// not a unit, or the sum passes 2147483647. end, when given, receives where
// the reading stopped (past the blanks after the last pair).
std::optional<std::int32_t> ReadDuration(std::string_view text, std::size_t* end = nullptr);

}  // namespace vy
