#include "scan/forms/csv_fields.h"

#include <algorithm>

namespace vy {

namespace {
constexpr std::size_t npos = std::string_view::npos;
}

bool FieldSplitter::Split(std::string_view text, char separator, std::size_t limit)
{
    fields_.clear();
    std::size_t used = 0;  // of unquoted_
    std::size_t at = 0;
    for (;;) {
        const bool rest = limit != 0 && fields_.size() + 1 == limit;
        if (at >= text.size() || text[at] != '"') {
            const std::size_t end = rest ? npos : text.find(separator, at);
            fields_.push_back(at >= text.size() ? std::string_view() : text.substr(at, end == npos ? npos : end - at));
            if (end == npos)
                return true;
            at = end + 1;
            continue;
        }
        if (used == unquoted_.size())
            unquoted_.emplace_back();
        std::size_t close = 0;
        const auto inside = Unquoted(text.substr(at), unquoted_[used++], close);
        if (!inside)
            return false;
        close += at;
        if (rest && text.find_first_not_of(' ', close + 1) != npos) {
            // A last field that only begins with a quote.
            fields_.push_back(text.substr(at));
            return true;
        }
        fields_.push_back(*inside);
        const std::size_t end = rest ? npos : text.find(separator, close + 1);
        if (end == npos)
            return true;
        at = end + 1;
    }
}

std::optional<std::string_view> Unquoted(std::string_view text, std::string& buffer, std::size_t& close)
{
    bool doubled = false;
    close = text.find('"', 1);
    while (close != npos && close + 1 < text.size() && text[close + 1] == '"') {
        doubled = true;
        close = text.find('"', close + 2);
    }
    if (close == npos)
        return std::nullopt;
    const std::string_view inside = text.substr(1, close - 1);
    if (!doubled)
        return inside;
    // Inside, every quote is the first of a pair: keep it, skip the second.
    buffer.clear();
    for (std::size_t i = 0; i < inside.size();) {
        const std::size_t quote = std::min(inside.find('"', i), inside.size() - 1);
        buffer.append(inside.substr(i, quote + 1 - i));
        i = quote + 2;
    }
    return std::string_view(buffer);
}

bool OddQuotes(std::string_view text)
{
    // The library's byte search outruns a count of every byte (measured).
    bool odd = false;
    for (std::size_t at = text.find('"'); at != npos; at = text.find('"', at + 1))
        odd = !odd;
    return odd;
}

Quotes QuotesOf(std::string_view text, char separator)
{
    std::string unquoted;
    for (std::size_t at = 0;;) {
        if (at < text.size() && text[at] == '"') {
            std::size_t close = 0;
            if (!Unquoted(text.substr(at), unquoted, close))
                return Quotes::Open;
            at += close + 1;
            if (at < text.size() && text[at] != separator)
                return Quotes::Broken;
        } else {
            at = text.find(separator, at);
        }
        if (at == npos || at >= text.size())
            return Quotes::Closed;
        ++at;
    }
}

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace vy
