#pragma once
// The exclusion lists: items separated by blanks, commas or semicolons,
// compared as whole names, lower-casing A to Z only.

#include <string>
#include <string_view>
#include <vector>

namespace vy {

bool IsListed(std::string_view name, std::string_view list);

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
    std::vector<std::string> items_;  // lower-cased, non-empty
};

}  // namespace vy
