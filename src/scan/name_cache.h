#pragma once
// A small memory of name chains already in the name table for the scan
// that runs: (domain, user) -> user entry, (domain, server, port, speed) ->
// speed entry. Lines repeat the same few chains, so most lines are settled
// by two lookups in a compact table instead of five in the name table.
// Entries stay valid for the scan because the table only grows meanwhile.

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

class NameCache {
public:
    // At most maxEntries chains are kept; later ones are simply not cached.
    explicit NameCache(std::size_t maxEntries = 6144);

    // The key of a chain: its parts, each with its length, so no two chains
    // share a key whatever bytes the names hold.
    void BeginKey() { key_.clear(); }
    void AddPart(std::string_view part);

    // The entry cached for the key built last, or -1.
    int Find() const;
    void Add(int entry);

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
    std::string_view KeyOf(const Slot& s) const;
    std::size_t SlotOf(std::uint64_t hash, std::string_view key, bool* found) const;
    void Grow();

    std::vector<Slot> slots_;
    std::string keys_;  // the keys longer than kInline, one after the other
    std::string key_;
    std::size_t size_ = 0;
    std::size_t maxEntries_;
};

}  // namespace vy
