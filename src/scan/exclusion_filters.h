#pragma once
// The exclusion lists: items separated by blanks, commas or semicolons,
// compared as whole names, lower-casing A to Z only.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace vy {

bool IsListed(std::string_view name, std::string_view list);

// True keeps the line. A line whose name cannot be taken out counts as
// naming the empty text, which no list holds.
bool IsUserAllowed(std::string_view lang, std::string_view line, std::string_view list);
bool IsDomainAllowed(std::string_view lang, std::string_view line, std::string_view list);
bool IsPortAllowed(std::string_view lang, std::string_view line, std::string_view list);

// A list split once for a whole scan; Contains gives IsListed's answer.
class ExclusionList {
public:
    explicit ExclusionList(std::string_view list);
    bool Empty() const { return items_.empty(); }
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
