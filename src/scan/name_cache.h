#pragma once
// A small memory of name chains already in the name table for the scan
// that runs: (domain, user) -> user entry, (domain, server, port, speed) ->
// speed entry. Lines repeat the same chains, so most lines are settled by
// two lookups in a compact table instead of five in the name table.
// Entries stay valid for the scan because the table only grows meanwhile.

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

class NameCache {
public:
    // At most maxEntries chains are kept; later ones are simply not cached.
    // The default holds the chains of a large organisation's logs.
    explicit NameCache(std::size_t maxEntries = std::size_t{1} << 18);

    // The key of a chain: its parts, each with its length, so no two chains
    // share a key whatever bytes the names hold.
    void BeginKey() { keyLength_ = 0; }
    void AddPart(std::string_view part)
    {
        const auto n = static_cast<std::uint32_t>(part.size());
        if (keyLength_ > kMaxKey || part.size() + sizeof n > kMaxKey - keyLength_) {
            keyLength_ = kMaxKey + 1;  // too long to be kept: never found
            return;
        }
        std::memcpy(key_ + keyLength_, &n, sizeof n);
        std::memcpy(key_ + keyLength_ + sizeof n, part.data(), part.size());
        keyLength_ += sizeof n + part.size();
    }

    // The hash of the key built last, for the calls below that take it.
    std::uint64_t KeyHash() const;

    // The entry cached for the key built last (hash: its KeyHash), or -1.
    int Find(std::uint64_t hash) const;
    void Add(int entry) { Add(entry, KeyHash()); }
    void Add(int entry, std::uint64_t hash);
    // Asks for the memory that Find of a key of this hash reads, so that it
    // is on its way while other lines are stored.
    void Prefetch(std::uint64_t hash) const
    {
#if defined(__GNUC__)
        __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
#else
        (void)hash;
#endif
    }

    static constexpr std::size_t kMaxKey = 512;  // bytes of a key that is kept

private:
    // One cache line, the key itself inside when it fits (most do): a
    // lookup then reads one line instead of a slot and a key elsewhere. The
    // table grows with what it holds.
    static constexpr std::size_t kInline = 50;
    struct alignas(64) Slot {
        std::uint32_t Check = 0;  // the high half of the key's hash
        std::int32_t Entry = -1;  // -1: empty slot
        std::uint32_t KeyOffset = 0;  // in keys_, for a key longer than kInline
        std::uint16_t KeyLength = 0;
        char Inline[kInline];
    };
    static_assert(sizeof(Slot) == 64 && kMaxKey <= UINT16_MAX);
    std::string_view Key() const { return {key_, keyLength_}; }
    std::string_view KeyOf(const Slot& s) const;
    std::size_t SlotOf(std::uint64_t hash, std::string_view key, bool* found) const;
    void Grow();

    std::vector<Slot> slots_;
    std::string keys_;  // the keys longer than kInline, one after the other
    std::size_t size_ = 0;
    std::size_t maxEntries_;
    std::size_t keyLength_ = 0;  // above kMaxKey: too long
    char key_[kMaxKey];
};

}  // namespace vy
