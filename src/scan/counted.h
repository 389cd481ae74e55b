#pragma once
// A count with its noun in the number it takes.

#include <cstdint>
#include <string>

namespace vy {

// "1 line was", "2 lines were".
inline std::string Counted(std::int64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace vy
