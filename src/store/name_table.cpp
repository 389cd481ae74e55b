#include "store/name_table.h"

#include <algorithm>
#include <functional>
#include <new>

namespace vy {

NameTable::NameTable() : buckets_(1024, -1) {}

void NameTable::Clear()
{
    count_ = 0;
    std::fill(buckets_.begin(), buckets_.end(), -1);
}

std::int32_t NameTable::ParentFor(NameKind kind, int d, int s, int p)
{
    switch (kind) {
    case KindUser:
    case KindServer: return d;
    case KindPort: return s;
    case KindSpeed: return p;
    default: return 0;
    }
}

// The linear pass also demands that the entry's ancestors are the given ones.
// The entry's own parent is part of the hash key; its grand-parents depend on
// the parent's index alone, so one check of the arguments decides for every
// entry under that key.
bool NameTable::ChainHolds(NameKind kind, int d, int s, int p) const
{
    auto parentOf = [this](int i) { return i >= 0 && i < count_ ? slots_[static_cast<std::size_t>(i)].Parent : -1; };
    switch (kind) {
    case KindPort: return parentOf(s) == d;
    case KindSpeed: return parentOf(p) == s && parentOf(s) == d;
    default: return true;
    }
}

std::size_t NameTable::BucketOf(NameKind kind, std::int32_t parent, std::string_view name) const
{
    std::size_t h = std::hash<std::string_view>{}(name);
    h ^= (static_cast<std::size_t>(kind) << 32 | static_cast<std::uint32_t>(parent)) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    return h & (buckets_.size() - 1);
}

int NameTable::Find(NameKind kind, std::string_view name, int d, int s, int p) const
{
    const std::int32_t parent = ParentFor(kind, d, s, p);
    if (!ChainHolds(kind, d, s, p))
        return -1;
    const std::size_t mask = buckets_.size() - 1;
    for (std::size_t b = BucketOf(kind, parent, name);; b = (b + 1) & mask) {
        const std::int32_t i = buckets_[b];
        if (i < 0)
            return -1;
        const InfoRec& e = slots_[static_cast<std::size_t>(i)];
        if (e.Kind == kind && e.Parent == parent && e.Name == name)
            return i;
    }
}

// A later entry with the same key replaces the earlier in the index, as the
// linear pass takes the highest matching index. (Only possible when the
// caller passes ancestors that disagree with the parent's own.)
void NameTable::Index(int index)
{
    const InfoRec& e = slots_[static_cast<std::size_t>(index)];
    const std::size_t mask = buckets_.size() - 1;
    for (std::size_t b = BucketOf(static_cast<NameKind>(e.Kind), e.Parent, e.Name);; b = (b + 1) & mask) {
        std::int32_t& slot = buckets_[b];
        if (slot < 0) {
            slot = index;
            return;
        }
        const InfoRec& other = slots_[static_cast<std::size_t>(slot)];
        if (other.Kind == e.Kind && other.Parent == e.Parent && other.Name == e.Name) {
            slot = index;
            return;
        }
    }
}

void NameTable::Grow()
{
    std::vector<std::int32_t>(buckets_.size() * 2, -1).swap(buckets_);
    for (int i = 0; i < count_; ++i)
        Index(i);
}

int NameTable::FindOrAdd(NameKind kind, std::string_view name, int d, int s, int p)
{
    const int found = Find(kind, name, d, s, p);
    if (found >= 0)
        return found;
    if (IsFull())
        return -1;
    try {
        if (2 * (static_cast<std::size_t>(count_) + 1) > buckets_.size())
            Grow();
        if (static_cast<std::size_t>(count_) == slots_.size())
            slots_.emplace_back();
        InfoRec& e = slots_[static_cast<std::size_t>(count_)];
        e.Parent = ParentFor(kind, d, s, p);
        e.Name.assign(name);
        e.Kind = kind;
    } catch (const std::bad_alloc&) {
        return -1;  // memory is the table's limit
    }
    Index(count_);
    return count_++;
}

}  // namespace vy
