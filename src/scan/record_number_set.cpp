#include "scan/record_number_set.h"

#include <algorithm>
#include <iterator>

namespace vy {

bool RecordNumberSet::Insert(std::uint64_t n)
{
    if (Contains(n))
        return false;
    auto after = runs_.upper_bound(n);
    const bool joinsAfter = after != runs_.end() && n != UINT64_MAX && after->first == n + 1;
    if (after != runs_.begin() && n != 0 && std::prev(after)->second == n - 1) {
        auto before = std::prev(after);
        before->second = joinsAfter ? after->second : n;
        if (joinsAfter)
            runs_.erase(after);
        return true;
    }
    if (joinsAfter) {
        const std::uint64_t last = after->second;
        runs_.erase(after);
        runs_.emplace(n, last);
    }
    else
        runs_.emplace(n, n);
    return true;
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
