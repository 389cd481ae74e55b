#pragma once
// The percentages a scan shows: rounded to the nearest whole number, halves
// to the even neighbour.

#include <climits>
#include <cmath>

namespace vy {

// Values beyond the int range (a file that grew a lot after it was counted)
// are held at its ends instead of overflowing.
inline int ProgressPercent(double value)
{
    if (value != value)
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0))
        rounded = below + 1;
    return static_cast<int>(rounded);
}

// The reading progress: bytes read over the bytes counted when the files
// were found; 100 when they were counted empty.
inline int ReadingPercent(double bytesRead, double totalBytes)
{
    if (totalBytes <= 0)
        return 100;
    return ProgressPercent(bytesRead / totalBytes * 100);
}

}  // namespace vy
