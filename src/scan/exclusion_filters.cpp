#include "scan/exclusion_filters.h"

#include <optional>

#include "scan/line_parser.h"

namespace vy {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == ';'; }

bool EqualFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// Calls f on every non-empty item of the list until f returns true.
template <typename F>
bool AnyItem(std::string_view list, F f)
{
    std::size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsSeparator(list[i]))
            ++i;
        const std::size_t start = i;
        while (i < list.size() && !IsSeparator(list[i]))
            ++i;
        if (i > start && f(list.substr(start, i - start)))
            return true;
    }
    return false;
}

}  // namespace

bool IsListed(std::string_view name, std::string_view list)
{
    if (name.empty())
        return false;
    return AnyItem(list, [name](std::string_view item) { return EqualFolded(item, name); });
}

bool IsUserAllowed(std::string_view lang, std::string_view line, std::string_view list)
{
    const std::optional<std::string> user = ExtractUser(lang, line);
    return !IsListed(user ? std::string_view(*user) : std::string_view(), list);
}

bool IsDomainAllowed(std::string_view lang, std::string_view line, std::string_view list)
{
    return !IsListed(ExtractDomain(lang, line).value_or(std::string_view()), list);
}

bool IsPortAllowed(std::string_view lang, std::string_view line, std::string_view list)
{
    return !IsListed(ExtractPort(lang, line).value_or(std::string_view()), list);
}

std::size_t ExclusionList::FoldedHash::operator()(std::string_view text) const
{
    std::size_t h = 1469598103934665603ull;  // FNV-1a
    for (char c : text) {
        h ^= static_cast<unsigned char>(Lower(c));
        h *= 1099511628211ull;
    }
    return h;
}

bool ExclusionList::FoldedEqual::operator()(std::string_view a, std::string_view b) const
{
    return EqualFolded(a, b);
}

ExclusionList::ExclusionList(std::string_view list)
{
    AnyItem(list, [this](std::string_view item) {
        std::string lowered(item);
        for (char& c : lowered)
            c = Lower(c);
        items_.insert(std::move(lowered));
        return false;
    });
}

bool ExclusionList::Contains(std::string_view name) const
{
    return !name.empty() && items_.find(name) != items_.end();
}

}  // namespace vy
