#pragma once
// A report table as plain data: what the list view shows, what sorting
// reorders and what the writers write. Texts are single-byte (Latin-1).

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

enum class Alignment { Left, Right, Center };

// What a column holds, which also says how it sorts (Month and Weekday
// columns do not) and how the data writers give its cells.
enum class ColumnKind : std::uint8_t {
    Text,      // a name
    Port,      // a port name, ordered by its digits
    Speed,     // a port speed
    Duration,  // H:MM:SS
    Sent,      // bytes
    Received,  // bytes
    DateTime,
    Day,       // a day of the month
    Month,     // a month's name; not sortable
    Weekday,   // a day's name; not sortable
};

struct ReportColumn {
    std::string Caption;
    int Width = 0;  // pixels
    Alignment Align = Alignment::Left;
    ColumnKind Kind = ColumnKind::Text;
    friend bool operator==(const ReportColumn&, const ReportColumn&) = default;
};

// The numbers behind a row's cells, for the sort and for writers that want
// values rather than display texts; set once when the row is built.
struct RowValues {
    std::int64_t Seconds = 0;
    std::int64_t Sent = 0;
    std::int64_t Received = 0;
    double DateTime = 0;  // connection rows only
    std::int64_t Port = 0;   // the port's order key (PortOrder)
    std::int64_t Speed = 0;  // the speed's order key (SpeedOrder)
    std::int64_t Day = 0;    // the day of the month
    // The date-time at the precision its text shows, in seconds; nothing
    // when there is no text.
    std::optional<std::int64_t> Shown = std::nullopt;
    friend bool operator==(const RowValues&, const RowValues&) = default;
};

struct ReportRow {
    // Cells[0] is the row's caption, Cells[c] for c >= 1 its sub-item c-1.
    // Empty in a table that makes its texts (see CellText).
    std::vector<std::string> Cells;
    int Image = 0;  // index into the tree images; all rows of a table share it
    int Key = INT_MIN;  // the key of the tree node an aggregate row stands for
    RowValues Values = {};  // moves with Cells when the rows are sorted
    // A connection row's user and speed entries in the name table, from
    // which its made texts come; -1 in other rows.
    std::int32_t User = -1;
    std::int32_t Speed = -1;
    friend bool operator==(const ReportRow&, const ReportRow&) = default;
};

// Makes the text of cell `column` of a row that holds no texts: a view of a
// name, or of the text written into `buffer`.
using CellMaker = std::function<std::string_view(const ReportRow& row, std::size_t column, std::string& buffer)>;

struct ReportTable {
    std::vector<ReportColumn> Columns;
    std::vector<ReportRow> Rows;
    RowValues Totals;  // the numbers of the totals line
    // Connection lists keep no texts: a million rows would be a million
    // allocations, while the list shows a screenful. Their texts are made
    // when asked for, from the names and dates the table was built from.
    CellMaker MakeCell;
    std::size_t MadeCells = 0;  // the cells of each row MakeCell serves
};

// How many cells a row has: its texts, or one a column when they are made.
inline std::size_t CellCount(const ReportTable& table, const ReportRow& row)
{
    return row.Cells.empty() && table.MakeCell ? table.MadeCells : row.Cells.size();
}

// The text of cell `column` (empty past the row's cells); the view holds
// until buffer or the table changes.
inline std::string_view CellText(const ReportTable& table, const ReportRow& row, std::size_t column,
                                 std::string& buffer)
{
    if (column < row.Cells.size())
        return row.Cells[column];
    if (row.Cells.empty() && table.MakeCell && column < table.MadeCells)
        return table.MakeCell(row, column, buffer);
    return {};
}

}  // namespace vy
