#pragma once
// Marking duplicate connections: of each group of records equal in user,
// speed, date-time, active time and both byte counts, all but the last one
// are marked removed, as a comparison of every pair in store order would.

#include <atomic>
#include <functional>

#include "store/stores.h"

namespace vy {

// The check's progress after record i of n: round-half-to-even of
// 100 * (sum over k <= i of n - k - 1) / (n * n / 2).
// percentChanged is called whenever that value differs from the one before
// (starting from 0), in record order. Returns true when a record was marked.
// A stop seen (it is looked at every few thousand records) ends the check
// where it is: what it marked stays marked.
bool MarkDuplicates(Stores& stores, const std::function<void(int)>& percentChanged,
                    const std::atomic<bool>* stop = nullptr);

}  // namespace vy
