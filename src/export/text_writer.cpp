#include "export/report_writers.h"

namespace vy {

namespace {


}  // namespace

std::string TextReport(const ReportTable& table)
{
    const std::size_t k = table.Columns.size();
    std::string out;
    std::size_t size = ReportLineEnd.size();
    for (const ReportColumn& column : table.Columns)
        size += column.Caption.size() + 1;
    if (k > 0) {
        for (const ReportRow& row : table.Rows) {
            size += k + ReportLineEnd.size();
            for (const std::string& cell : row.Cells)
                size += cell.size();
        }
    }
    out.reserve(size);

    for (const ReportColumn& column : table.Columns) {
        out += column.Caption;
        out += ';';
    }
    out += ReportLineEnd;
    // Rows only make sense under columns; without any there is nothing to
    // line their cells up with.
    if (k == 0)
        return out;
    for (const ReportRow& row : table.Rows) {
        // The caption and sub-items 0..k-2; a row with fewer cells shows the
        // missing ones empty, as the list does.
        for (std::size_t c = 0; c < k; ++c) {
            if (c < row.Cells.size())
                out += row.Cells[c];
            out += ';';
        }
        out += ReportLineEnd;
    }
    return out;
}

}  // namespace vy
