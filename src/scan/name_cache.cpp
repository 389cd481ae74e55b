#include "scan/name_cache.h"

#include <bit>
#include <cstring>

namespace vy {

namespace {

// A quick hash of a key, eight bytes at a time.
std::uint64_t HashOf(std::string_view key)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ key.size();
    std::size_t i = 0;
    for (; i + 8 <= key.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, key.data() + i, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    std::uint64_t w = 0;
    std::memcpy(&w, key.data() + i, key.size() - i);
    h = (h ^ w) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
}

}  // namespace

NameCache::NameCache(std::size_t maxEntries) : slots_(64), maxEntries_(maxEntries) {}

std::uint64_t NameCache::KeyHash() const
{
    return keyLength_ > kMaxKey ? 0 : HashOf(Key());
}

std::string_view NameCache::KeyOf(const Slot& s) const
{
    if (s.KeyLength <= kInline)
        return {s.Inline, s.KeyLength};
    return std::string_view(keys_).substr(s.KeyOffset, s.KeyLength);
}

std::size_t NameCache::SlotOf(std::uint64_t hash, std::string_view key, bool* found) const
{
    const std::size_t mask = slots_.size() - 1;
    const auto check = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.Entry < 0) {
            *found = false;
            return i;
        }
        if (s.Check == check && s.KeyLength == key.size() && KeyOf(s) == key) {
            *found = true;
            return i;
        }
    }
}

void NameCache::Grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old) {
        if (s.Entry < 0)
            continue;
        const std::string_view key = KeyOf(s);
        bool found = false;
        slots_[SlotOf(HashOf(key), key, &found)] = s;
    }
}

int NameCache::Find(std::uint64_t hash) const
{
    if (keyLength_ > kMaxKey)
        return -1;
    bool found = false;
    const std::size_t i = SlotOf(hash, Key(), &found);
    return found ? slots_[i].Entry : -1;
}

void NameCache::Add(int entry, std::uint64_t hash)
{
    // Long names are rare and would make the cache big: they go the slow way.
    if (size_ >= maxEntries_ || keyLength_ > kMaxKey)
        return;
    if (2 * (size_ + 1) > slots_.size())
        Grow();  // at most half full: short probes
    const std::string_view key = Key();
    bool found = false;
    const std::size_t i = SlotOf(hash, key, &found);
    if (found)
        return;
    Slot& s = slots_[i];
    s.Check = static_cast<std::uint32_t>(hash >> 32);
    s.Entry = entry;
    s.KeyLength = static_cast<std::uint16_t>(key.size());
    if (key.size() <= kInline) {
        std::memcpy(s.Inline, key.data(), key.size());
    } else {
        s.KeyOffset = static_cast<std::uint32_t>(keys_.size());
        keys_ += key;
    }
    ++size_;
}

}  // namespace vy
