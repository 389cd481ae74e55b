#include "store/name_table.h"

#include <algorithm>
#include <functional>

namespace vy {

namespace {
constexpr std::size_t kBucketCount = 2 * NameTable::Capacity;  // a power of two
}

NameTable::NameTable() : slots_(Capacity), buckets_(kBucketCount, -1) {}

void NameTable::Clear()
{
    count_ = 0;
    std::fill(buckets_.begin(), buckets_.end(), -1);
}

std::uint16_t NameTable::ParentFor(NameKind kind, int d, int s, int p)
{
    switch (kind) {
    case KindUser:
    case KindServer: return static_cast<std::uint16_t>(d);
    case KindPort: return static_cast<std::uint16_t>(s);
    case KindSpeed: return static_cast<std::uint16_t>(p);
    default: return 0;
    }
}

// The linear pass also demands that the entry's ancestors are the given ones.
// The entry's own parent is part of the hash key; its grand-parents depend on
// the parent's index alone, so one check of the arguments decides for every
// entry under that key.
bool NameTable::ChainHolds(NameKind kind, int d, int s, int p) const
{
    auto parentOf = [this](int i) { return slots_[static_cast<std::uint16_t>(i)].Parent; };
    switch (kind) {
    case KindPort: return parentOf(s) == static_cast<std::uint16_t>(d);
    case KindSpeed:
        return parentOf(p) == static_cast<std::uint16_t>(s) && parentOf(s) == static_cast<std::uint16_t>(d);
    default: return true;
    }
}

std::size_t NameTable::BucketOf(NameKind kind, std::uint16_t parent, std::string_view name) const
{
    std::size_t h = std::hash<std::string_view>{}(name);
    h ^= (static_cast<std::size_t>(kind) << 16 | parent) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    return h & (kBucketCount - 1);
}

int NameTable::Find(NameKind kind, std::string_view name, int d, int s, int p) const
{
    const std::uint16_t parent = ParentFor(kind, d, s, p);
    if (!ChainHolds(kind, d, s, p))
        return -1;
    for (std::size_t b = BucketOf(kind, parent, name);; b = (b + 1) & (kBucketCount - 1)) {
        const std::int32_t i = buckets_[b];
        if (i < 0)
            return -1;
        const InfoRec& e = slots_[static_cast<std::size_t>(i)];
        if (e.Kind == kind && e.Parent == parent && e.Name == name)
            return i;
    }
}

int NameTable::FindOrAdd(NameKind kind, std::string_view name, int d, int s, int p)
{
    const int found = Find(kind, name, d, s, p);
    if (found >= 0)
        return found;
    if (IsFull())
        return -1;
    const int index = count_++;
    InfoRec& e = slots_[static_cast<std::size_t>(index)];
    e.Parent = ParentFor(kind, d, s, p);
    e.Name.assign(name);
    e.Kind = kind;
    // A later entry with the same key replaces the earlier in the index, as
    // the linear pass takes the highest matching index. (Only possible when
    // the caller passes ancestors that disagree with the parent's own.)
    for (std::size_t b = BucketOf(kind, e.Parent, name);; b = (b + 1) & (kBucketCount - 1)) {
        std::int32_t& slot = buckets_[b];
        if (slot < 0) {
            slot = index;
            break;
        }
        const InfoRec& other = slots_[static_cast<std::size_t>(slot)];
        if (other.Kind == kind && other.Parent == e.Parent && other.Name == name) {
            slot = index;
            break;
        }
    }
    return index;
}

}  // namespace vy
