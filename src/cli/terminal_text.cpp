#include "cli/terminal_text.h"

#include <algorithm>
#include <utility>

namespace vy::cli {

namespace {

bool IsControl(char ch)
{
    const auto c = static_cast<unsigned char>(ch);
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

bool HoldsControls(std::string_view latin1) { return std::any_of(latin1.begin(), latin1.end(), IsControl); }

void MaskControls(std::string& latin1) { std::replace_if(latin1.begin(), latin1.end(), IsControl, '?'); }

void MaskControls(ReportTable& table)
{
    for (ReportColumn& column : table.Columns)
        MaskControls(column.Caption);
    for (ReportRow& row : table.Rows)
        for (std::string& cell : row.Cells)
            MaskControls(cell);
    if (!table.MakeCell)
        return;
    table.MakeCell = [make = std::move(table.MakeCell)](const ReportRow& row, std::size_t column,
                                                         std::string& buffer) -> std::string_view {
        const std::string_view text = make(row, column, buffer);
        if (!HoldsControls(text))
            return text;
        std::string masked(text);  // the text may lie in buffer itself
        MaskControls(masked);
        buffer = std::move(masked);
        return buffer;
    };
}

void MaskControls(ReportTree& tree)
{
    for (int i = 0; i < tree.Count(); ++i)
        MaskControls(tree.Node(i).Text);
}

}  // namespace vy::cli
