#pragma once
// A report table as plain data: what the list view shows, what sorting
// reorders and what the writers write. Texts are single-byte (Latin-1).

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace vy {

enum class Alignment { Left, Right, Center };

// What a column holds, which also says how it sorts and how the data
// writers give its cells.
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

// The numbers behind the Time, Send, Receive and Date cells, for writers
// that want values rather than display texts.
struct RowValues {
    std::int64_t Seconds = 0;
    std::int64_t Sent = 0;
    std::int64_t Received = 0;
    double DateTime = 0;  // connection rows only
    friend bool operator==(const RowValues&, const RowValues&) = default;
};

struct ReportRow {
    // Cells[0] is the row's caption, Cells[c] for c >= 1 its sub-item c-1.
    std::vector<std::string> Cells;
    int Image = 0;  // index into the tree images; all rows of a table share it
    int Key = INT_MIN;  // the key of the tree node an aggregate row stands for
    RowValues Values = {};  // moves with Cells when the rows are sorted
    friend bool operator==(const ReportRow&, const ReportRow&) = default;
};

struct ReportTable {
    std::vector<ReportColumn> Columns;
    std::vector<ReportRow> Rows;
    RowValues Totals;  // the numbers of the totals line
};

}  // namespace vy
