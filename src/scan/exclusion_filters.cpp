#include "scan/exclusion_filters.h"

#include <algorithm>

#include "store/ascii_text.h"

namespace vy {

std::size_t ExclusionList::FoldedHash::operator()(std::string_view text) const
{
    std::size_t h = 1469598103934665603ull;  // FNV-1a
    for (char c : text) {
        h ^= static_cast<unsigned char>(AsciiLower(c));
        h *= 1099511628211ull;
    }
    return h;
}

bool ExclusionList::FoldedEqual::operator()(std::string_view a, std::string_view b) const
{
    return EqualAsciiFolded(a, b);
}

ExclusionList::ExclusionList(std::string_view list)
{
    constexpr std::string_view kSeparators = " ,;";
    for (std::size_t start = list.find_first_not_of(kSeparators); start != std::string_view::npos;) {
        const std::size_t end = std::min(list.find_first_of(kSeparators, start), list.size());
        std::string item;
        AppendAsciiLower(item, list.substr(start, end - start));
        items_.insert(std::move(item));
        start = list.find_first_not_of(kSeparators, end);
    }
}

bool ExclusionList::Contains(std::string_view name) const
{
    return !name.empty() && items_.find(name) != items_.end();
}

}  // namespace vy
