#include "scan/name_cache.h"

#include <bit>
#include <cstring>

namespace vy {

namespace {

// A quick hash of a key, eight bytes at a time.
std::uint64_t KeyHash(std::string_view key)
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

NameCache::NameCache(std::size_t maxEntries)
    : slots_(std::bit_ceil(maxEntries + maxEntries / 3 + 1)), maxEntries_(maxEntries)
{
}

void NameCache::AddPart(std::string_view part)
{
    const auto n = static_cast<std::uint32_t>(part.size());
    key_.append(reinterpret_cast<const char*>(&n), sizeof n);
    key_.append(part);
}

std::size_t NameCache::SlotOf(std::uint64_t hash, bool* found) const
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.Entry < 0) {
            *found = false;
            return i;
        }
        if (s.Hash == hash && s.KeyLength == key_.size() &&
            std::string_view(keys_).substr(s.KeyOffset, s.KeyLength) == key_) {
            *found = true;
            return i;
        }
    }
}

int NameCache::Find() const
{
    bool found = false;
    const std::size_t i = SlotOf(KeyHash(key_), &found);
    return found ? slots_[i].Entry : -1;
}

void NameCache::Add(int entry)
{
    // Long names are rare and would make the cache big: they go the slow way.
    if (size_ >= maxEntries_ || key_.size() > kMaxKey)
        return;
    const std::uint64_t hash = KeyHash(key_);
    bool found = false;
    const std::size_t i = SlotOf(hash, &found);
    if (found)
        return;
    slots_[i] = {hash, static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint32_t>(key_.size()), entry};
    keys_ += key_;
    ++size_;
}

}  // namespace vy
