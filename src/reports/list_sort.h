#pragma once
// Sorting a report table by one column, by the kind of the column.

#include <cstdint>
#include <memory>
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

// The order of a table's rows through several sorts given at once (clicks
// in a row), which moves the rows once, at the end: each Sort leaves the
// order as SortList would leave the rows, with the same errors, and Place
// puts the rows in that order. The table must not change in between.
class RowOrder {
public:
    explicit RowOrder(const ReportTable& table);
    ~RowOrder();
    SortError Sort(const ReportTable& table, int column, ColumnKind kind, std::uint8_t ascending);
    void Place(ReportTable& table);

private:
    struct Buffers;
    std::vector<std::uint32_t> rowAt_;  // rowAt_[k]: the index in table.Rows of the row at k
    std::unique_ptr<Buffers> buffers_;
};

// The order key of a port's name: the number its digits make, 0 without
// digits or beyond 64 bits.
std::int64_t PortOrder(std::string_view name);
// The order key of a speed's name: a decimal integer after any blanks and
// tabs (an optional sign, then digits to the end); 0 for anything else or
// beyond 64 bits.
std::int64_t SpeedOrder(std::string_view name);

}  // namespace vy
