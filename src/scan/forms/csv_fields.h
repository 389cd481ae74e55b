#pragma once
// The one field splitter of every comma, tab and quote form: fields parted
// by a separator, quoted where needed, "" within quotes standing for one
// quote; a quoted field may span lines.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

class FieldSplitter {
public:
    // Splits text into at most limit fields, the last one taking the rest
    // of the text (0: no limit). A quoted field loses its quotes; text
    // after its closing quote up to the separator is dropped, except in a
    // last field that takes the rest, which is then kept as it stands.
    // The views last until the next Split. False when a quote never
    // closes (the fields before it are kept).
    bool Split(std::string_view text, char separator, std::size_t limit = 0);
    const std::vector<std::string_view>& Fields() const { return fields_; }

private:
    std::vector<std::string_view> fields_;
    std::deque<std::string> unquoted_;  // one per field with doubled quotes; a deque, so views stay put
};

// The quoted field at the start of text (which begins with a quote)
// without its quotes, "" read as one quote (copied to buffer only then);
// close: where its closing quote stands. nullopt when it never closes.
std::optional<std::string_view> Unquoted(std::string_view text, std::string& buffer, std::size_t& close);

// Whether text holds an odd number of double quotes.
bool OddQuotes(std::string_view text);

// How the quotes of a record stand at its end: all closed, one still open,
// or a closing quote followed by something other than the separator (a
// quote is lost: the record is damaged).
enum class Quotes { Closed, Open, Broken };
Quotes QuotesOf(std::string_view text, char separator);

// text without the blanks around it.
std::string_view Trimmed(std::string_view text);

}  // namespace vy
