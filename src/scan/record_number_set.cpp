#include "scan/record_number_set.h"

#include <algorithm>
#include <iterator>

namespace vy {

void RecordNumberSet::Insert(std::uint64_t n)
{
    // Joined to the run that ends just before it, to the one that begins
    // just after it, or both.
    const auto after = runs_.upper_bound(n);
    const bool joinsAfter = after != runs_.end() && after->first == n + 1;
    const std::uint64_t last = joinsAfter ? after->second : n;
    if (after != runs_.begin() && std::prev(after)->second + 1 == n)
        std::prev(after)->second = last;
    else
        runs_.emplace_hint(after, n, last);
    if (joinsAfter)
        runs_.erase(after);
}

bool RecordNumberSet::Contains(std::uint64_t n) const
{
    const auto after = runs_.upper_bound(n);
    return after != runs_.begin() && std::prev(after)->second >= n;
}

std::uint64_t RecordNumberSet::Missing(std::uint64_t first, std::uint64_t last,
                                       std::optional<std::uint64_t>& firstMissing) const
{
    std::uint64_t missing = 0;
    std::uint64_t next = first;  // the numbers before it are settled
    auto r = runs_.upper_bound(first);
    if (r != runs_.begin())
        --r;
    for (; r != runs_.end() && r->first <= last && next <= last; ++r) {
        if (r->second < next)
            continue;
        if (r->first > next) {
            if (!firstMissing)
                firstMissing = next;
            missing += r->first - next;
        }
        next = r->second + 1;
        if (r->second == UINT64_MAX)
            return missing;
    }
    if (next <= last) {
        if (!firstMissing)
            firstMissing = next;
        missing += last - next + 1;
    }
    return missing;
}

}  // namespace vy
