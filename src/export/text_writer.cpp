#include "export/report_writers.h"

namespace vy {

std::string TextReport(const ReportTable& table)
{
    const std::size_t k = table.Columns.size();
    std::string out;
    // Cells average well under 16 characters.
    out.reserve(256 + table.Rows.size() * (ReportLineEnd.size() + 16 * k));

    for (const ReportColumn& column : table.Columns) {
        out += column.Caption;
        out += ';';
    }
    out += ReportLineEnd;
    // Rows only make sense under columns; without any there is nothing to
    // line their cells up with.
    if (k == 0)
        return out;
    std::string buffer;
    for (const ReportRow& row : table.Rows) {
        // The caption and sub-items 0..k-2; a row with fewer cells shows the
        // missing ones empty, as the list does.
        for (std::size_t c = 0; c < k; ++c) {
            out += CellText(table, row, c, buffer);
            out += ';';
        }
        out += ReportLineEnd;
    }
    return out;
}

}  // namespace vy
