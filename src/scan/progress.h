#pragma once
// The percentages a scan shows: rounded to the nearest whole number, halves
// to the even neighbour.

#include <algorithm>
#include <climits>
#include <cmath>

namespace vy {

// Values beyond the int range (a file that grew a lot after it was counted)
// are held at its ends instead of overflowing.
inline int ProgressPercent(double value)
{
    if (value != value)
        return 0;
    // The default rounding mode takes halves to the even neighbour.
    return static_cast<int>(std::nearbyint(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX))));
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
