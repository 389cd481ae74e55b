#pragma once
// Sorting a report table by one column with one of the six rules.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "reports/report_table.h"

namespace vy {

class DateTexts;

// The error text of a sort that met a key it cannot read, or nothing.
using SortError = std::optional<std::string>;

// Orders the rows exactly as the selection sort with strict comparisons
// does (first strictly better row wins; the exchange carries row i to the
// chosen row's old place), parsing every key once. A rule text other than
// "Text", "Port", "Speed", "Bytes", "Time" or "Date" leaves the rows as they
// are. On an unreadable key the rows stay as they were and the error names
// the text being read ("'%s' is not a valid integer value" or
// "'%s' is not a valid date and time"). A Port cell without digits and a
// Speed cell that is not a decimal integer (or either beyond 64 bits) sort
// as 0, as the tree orders them. A column that some row lacks sorts nothing.
SortError SortList(ReportTable& table, int column, std::string_view rule, std::uint8_t ascending,
                   const DateTexts& dates);

// The characters of text that are decimal digits, in order.
std::string DigitsOnly(std::string_view text);
// The number those digits make; nullopt without digits or beyond 64 bits.
std::optional<std::int64_t> DigitsValue(std::string_view text);
// A decimal integer after any blanks and tabs: an optional sign, then
// digits to the end; nullopt for anything else or beyond 64 bits.
std::optional<std::int64_t> IntegerAfterBlanks(std::string_view text);
// H:MM:SS read back into seconds, the parts taken by their places from the
// end; nullopt when a part is not an integer or the text is shorter than
// "0:00:00", with *badPart (if given) set to the part that did not read.
std::optional<std::int64_t> DurationToSeconds(std::string_view text, std::string_view* badPart = nullptr);
// The rule a column of the kind sorts by; empty for none.
std::string_view SortRuleOf(ColumnKind kind);

}  // namespace vy
