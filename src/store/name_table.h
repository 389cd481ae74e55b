#pragma once
// The name table: every distinct domain, user, server, port and port speed of
// a scan, once, linked to its parent by index.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

enum NameKind : std::uint8_t {
    KindDomain = 1,
    KindUser = 2,
    KindServer = 3,
    KindPort = 4,
    KindSpeed = 5,
};

struct InfoRec {
    std::int32_t Parent = 0;  // 0 for a domain, where it has no meaning
    std::string Name;
    std::uint8_t Kind = 0;
};

class NameTable {
public:
    // The count is an int throughout the program.
    static constexpr int Capacity = 2147483647;

    NameTable();

    int Count() const { return count_; }
    bool IsFull() const { return count_ >= Capacity; }
    const InfoRec& operator[](int index) const { return slots_[static_cast<std::size_t>(index)]; }

    // Sets the count to 0. Slots keep their text buffers so that refilling
    // them allocates nothing for names no longer than before.
    void Clear();

    // The entry that the linear pass over the table would match for
    // (kind, name) under domain d, server s and port p, or -1 when none does.
    // Only the indices that the kind needs are looked at.
    int Find(NameKind kind, std::string_view name, int d, int s, int p) const;

    // Find, adding the entry when it is missing. Returns -1 only when the
    // entry is missing and the table is full or memory has run out.
    int FindOrAdd(NameKind kind, std::string_view name, int d, int s, int p);

private:
    static std::int32_t ParentFor(NameKind kind, int d, int s, int p);
    bool ChainHolds(NameKind kind, int d, int s, int p) const;
    std::size_t BucketOf(NameKind kind, std::int32_t parent, std::string_view name) const;
    void Index(int index);
    void Grow();

    std::vector<InfoRec> slots_;
    int count_ = 0;
    // Open-addressing index over (kind, parent, name): bucket -> entry index,
    // -1 for an empty bucket; a power of two, at most half full.
    std::vector<std::int32_t> buckets_;
};

}  // namespace vy
