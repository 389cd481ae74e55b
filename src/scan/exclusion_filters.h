#pragma once
// The exclusion lists: items separated by blanks, commas or semicolons, in
// any mix and number, compared as whole names, lower-casing A to Z only.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace vy {

// A list split once for a whole scan.
class ExclusionList {
public:
    explicit ExclusionList(std::string_view list);
    bool Empty() const { return items_.empty(); }
    // True when the name equals one of the list's non-empty items; the empty
    // name is never listed.
    bool Contains(std::string_view name) const;

private:
    // Hashing and comparing without regard to the case of A to Z, so a name
    // is looked up as it comes from the line.
    struct FoldedHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const;
    };
    struct FoldedEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::unordered_set<std::string, FoldedHash, FoldedEqual> items_;  // lower-cased, non-empty
};

}  // namespace vy
