#pragma once
// Sorting a report table by one column, by the kind of the column.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/report_table.h"

namespace vy {

// The error text of a sort that met a key it cannot read, or nothing.
using SortError = std::optional<std::string>;

// Orders the rows by the keys of the column's kind exactly as the
// selection sort with strict comparisons does (first strictly better row
// wins; the exchange carries row i to the chosen row's old place). The keys
// are those the rows carry (RowValues), which equal what the display texts
// read back as; a Text column orders by its cells, ordinally. Month and
// Weekday columns do not sort. A key that its text could not give (a date
// without a text, bytes whose digits leave 64 bits) leaves the rows as they
// are and the error names that text ("'%s' is not a valid integer value" or
// "'%s' is not a valid date and time"). A column that some row lacks sorts
// nothing.
SortError SortList(ReportTable& table, int column, ColumnKind kind, std::uint8_t ascending);

// Sorts given at once (several clicks in a row) order the rows through
// rowAt, where rowAt[k] is the index in table.Rows of the row that stands at
// k, and move the rows once, at the end: ShownOrder gives the order the
// rows stand in, each SortOrder leaves rowAt as SortList would leave the
// rows (with the same errors), and PlaceRows puts the rows in that order.
std::vector<std::uint32_t> ShownOrder(const ReportTable& table);
SortError SortOrder(const ReportTable& table, std::vector<std::uint32_t>& rowAt, int column, ColumnKind kind,
                    std::uint8_t ascending);
void PlaceRows(ReportTable& table, const std::vector<std::uint32_t>& rowAt);

// The order key of a port's name: the number its digits make, 0 without
// digits or beyond 64 bits.
std::int64_t PortOrder(std::string_view name);
// The order key of a speed's name: a decimal integer after any blanks and
// tabs (an optional sign, then digits to the end); 0 for anything else or
// beyond 64 bits.
std::int64_t SpeedOrder(std::string_view name);

}  // namespace vy
