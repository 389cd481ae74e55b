#pragma once
// Looking for several fixed markers in one line with one pass over its bytes.
// The pass records where a few chosen bytes (the anchors) stand, as bit maps;
// a marker is then compared only where its anchors stand at their places in
// it. Every occurrence of a marker has its anchors there, so the first place
// that compares equal is the marker's first occurrence: the answer is exactly
// FindMarker's.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vy {

// A marker prepared for LineAnchors::Find: up to two anchor bytes of the
// marker with their places in it.
struct NeedlePlaces {
    std::size_t First = 0, Last = 0, Middle = 0;
};

struct AnchoredMarker {
    std::string_view Text;
    NeedlePlaces Places;  // for the plain search, when it has no anchor
    std::uint8_t Anchors = 0;  // 0: none of the set's bytes is in the marker
    std::uint8_t Index[2] = {};   // which anchor of the set
    std::uint8_t Offset[2] = {};  // where it stands in the marker
};

// The bytes whose places a line's pass records, rarest first: a marker takes
// the first two of them that it holds.
class AnchorSet {
public:
    static constexpr std::size_t MaxBytes = 8;

    explicit AnchorSet(std::string_view bytes);  // at most MaxBytes distinct bytes
    std::string_view Bytes() const { return bytes_; }
    AnchoredMarker Plan(std::string_view marker) const;

private:
    std::string bytes_;
};

// The anchor maps of one line. The line must stay alive while Find is used.
class LineAnchors {
public:
    static constexpr std::size_t MaxLine = 2048;

    // Records where the set's bytes stand in line; false (and nothing usable)
    // when the line is longer than MaxLine.
    bool Load(const AnchorSet& set, std::string_view line);

    // The first occurrence of the marker at or after from, npos when absent:
    // FindMarker(line, marker.Text, from).
    std::size_t Find(const AnchoredMarker& marker, std::size_t from = 0) const;

    // The first occurrence of each of count markers (at most MaxEach) from
    // the line's start: out[i] = Find(*markers[i]). One walk over the places
    // of an anchor byte serves every marker whose first anchor it is.
    static constexpr std::size_t MaxEach = 16;
    void FindEach(const AnchoredMarker* const* markers, std::size_t count, std::size_t* out) const;

private:
    static constexpr std::size_t kWords = MaxLine / 64 + 1;  // one more, zero, past the line's last word

    std::uint64_t Shifted(std::size_t index, std::size_t offset, std::size_t word) const
    {
        const std::uint64_t* map = maps_[index];
        return offset == 0 ? map[word] : (map[word] >> offset) | (map[word + 1] << (64 - offset));
    }

    std::string_view line_;
    std::size_t words_ = 0;
    std::uint64_t maps_[AnchorSet::MaxBytes][kWords];  // bit i of word w: the byte at 64w + i is the anchor
};

// The places of three bytes of a needle that a candidate must show before it
// is compared whole: the first and last that are not blanks (blanks are
// everywhere in a line) and one near the middle. For needles of two bytes
// or more.
NeedlePlaces PlacesOf(std::string_view needle);

// FindMarker with the needle's places worked out already.
std::size_t FindMarkerAt(std::string_view line, std::string_view needle, const NeedlePlaces& places,
                         std::size_t from = 0);

// A needle prepared once for many searches.
class PreparedMarker {
public:
    explicit PreparedMarker(std::string_view needle);
    std::string_view Text() const { return text_; }
    const NeedlePlaces& Places() const { return places_; }
    // FindMarker(line, Text(), from).
    std::size_t FindIn(std::string_view line, std::size_t from = 0) const
    {
        return FindMarkerAt(line, text_, places_, from);
    }

private:
    std::string text_;
    NeedlePlaces places_;
};

}  // namespace vy
