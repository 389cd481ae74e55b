#include "scan/duplicate_check.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "scan/progress.h"

namespace vy {

namespace {

bool SameConnection(const ConnectionRecord& a, const ConnectionRecord& b)
{
    return a.UserIndex == b.UserIndex && a.SpeedIndex == b.SpeedIndex && a.DateTime == b.DateTime &&
           a.ActiveTime == b.ActiveTime && a.BytesSent == b.BytesSent && a.BytesReceived == b.BytesReceived;
}

// The bits of a date-time, alike for equal ones: -0.0 and 0.0 compare equal.
std::uint64_t DateTimeBits(double dateTime)
{
    const double dt = dateTime == 0 ? 0.0 : dateTime;
    std::uint64_t bits;
    std::memcpy(&bits, &dt, sizeof bits);
    return bits;
}

std::uint64_t HashConnection(const ConnectionRecord& r)
{
    const std::uint64_t bits = DateTimeBits(r.DateTime);
    std::uint64_t h = (std::uint64_t{static_cast<std::uint32_t>(r.UserIndex)} << 32 |
                       static_cast<std::uint32_t>(r.SpeedIndex)) * 0x9E3779B97F4A7C15ull;
    h ^= bits + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
    h ^= (static_cast<std::uint64_t>(static_cast<std::uint32_t>(r.ActiveTime)) << 32 ^
          static_cast<std::uint64_t>(r.BytesSent)) * 0xC2B2AE3D27D4EB4Full;
    h ^= static_cast<std::uint64_t>(r.BytesReceived) * 0x165667B19E3779F9ull;
    h ^= h >> 31;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return h;
}

// Which of two halves a record's group falls in, by its date-time alone:
// marking never changes it, so each half's pass reads and marks only records
// of its own half, and equal records always share a half.
int HalfOf(double dateTime)
{
    return static_cast<int>((DateTimeBits(dateTime) * 0x9E3779B97F4A7C15ull) >> 63);
}

// Each slot keeps a record's index + 1 (0: empty) in the bits the count
// needs and, above it, bits of its hash, so that records are read again only
// when those agree.
std::uint32_t IndexMask(int count) { return std::bit_ceil(static_cast<std::uint32_t>(count) + 1) - 1; }

// The pairwise check removes a record exactly when a later record is equal
// to it, so each group keeps its last member. One pass from the last record
// down remembers the first member of each group it meets and removes every
// other. A removed record changes only itself, and only records that stay
// are remembered. step(k) is called after the pass's k-th record.
constexpr int kStopEvery = 4096;  // records between two looks at the stop flag

template <typename Step>
bool MarkHalf(Stores& stores, int half, std::vector<std::uint32_t>& kept, const std::atomic<bool>* stop, Step step)
{
    ConnectionStore& store = stores.Connections;
    const int n = store.Count();
    const std::size_t mask = kept.size() - 1;
    const std::uint32_t indexMask = IndexMask(n);
    bool found = false;
    for (int k = 0; k < n; ++k) {
        if (stop && k % kStopEvery == 0 && stop->load(std::memory_order_relaxed))
            break;
        const int i = n - 1 - k;
        const ConnectionRecord& r = store[i];
        // A date-time equal to nothing is compared with none; an already
        // removed record neither.
        if (r.DateTime == r.DateTime && HalfOf(r.DateTime) == half && !r.Removed()) {
            const std::uint64_t h = HashConnection(r);
            const auto check = static_cast<std::uint32_t>(h >> 32) & ~indexMask;
            for (std::size_t b = h & mask;; b = (b + 1) & mask) {
                std::uint32_t& slot = kept[b];
                if (slot == 0) {
                    slot = check | static_cast<std::uint32_t>(i + 1);
                    break;
                }
                if ((slot & ~indexMask) == check && SameConnection(store[static_cast<int>(slot & indexMask) - 1], r)) {
                    MarkRemoved(stores, i);
                    found = true;
                    break;
                }
            }
        }
        step(k);
    }
    return found;
}

}  // namespace

bool MarkDuplicates(Stores& stores, const std::function<void(int)>& percentChanged, const std::atomic<bool>* stop)
{
    const ConnectionStore& store = stores.Connections;
    const int n = store.Count();
    if (n == 0)
        return false;
    // The two halves are checked side by side, each with its own table at
    // most two thirds full; their tables are made here, so the second thread
    // cannot fail to allocate.
    std::size_t count[2] = {0, 0};
    for (const ConnectionRecord& r : store)
        if (r.DateTime == r.DateTime)
            ++count[HalfOf(r.DateTime)];
    std::vector<std::uint32_t> kept[2] = {std::vector<std::uint32_t>(std::bit_ceil(count[0] * 3 / 2 + 1), 0),
                                          std::vector<std::uint32_t>(std::bit_ceil(count[1] * 3 / 2 + 1), 0)};
    bool foundOther = false;
    std::jthread other;  // joined however this thread leaves
    try {
        other = std::jthread([&] { foundOther = MarkHalf(stores, 1, kept[1], stop, [](int) {}); });
    } catch (const std::system_error&) {
        foundOther = MarkHalf(stores, 1, kept[1], stop, [](int) {});
    }
    // The progress is that of the pairwise check, record i taking n - i - 1
    // comparisons, reported as this thread's pass goes.
    const double expected = static_cast<double>(n) * static_cast<double>(n) / 2.0;
    double done = 0;
    int shown = 0;
    const bool found = MarkHalf(stores, 0, kept[0], stop, [&](int k) {
        done += static_cast<double>(n - k - 1);
        const int percent = ProgressPercent(100.0 * done / expected);
        if (percent != shown) {
            shown = percent;
            if (percentChanged)
                percentChanged(percent);
        }
    });
    if (other.joinable())
        other.join();
    return found || foundOther;
}

}  // namespace vy
