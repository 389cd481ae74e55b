#pragma once
// Small report tables shared by the writer tests.

#include <string>
#include <vector>

#include "reports/report_table.h"

namespace vy::testing {

inline ReportTable TableOf(const std::vector<std::string>& titles, const std::vector<std::vector<std::string>>& rows,
                           int image = 2, const std::vector<ColumnKind>& kinds = {})
{
    ReportTable table;
    for (std::size_t c = 0; c < titles.size(); ++c)
        table.Columns.push_back({titles[c], 100, Alignment::Left, c < kinds.size() ? kinds[c] : ColumnKind::Text});
    for (const auto& cells : rows)
        table.Rows.push_back({cells, image});
    return table;
}

// A domain table as it stands after a scan.
inline ReportTable DomainTable()
{
    return TableOf({"User", "Time", "Send", "Receive"},
                   {{"alice", "1:02:03", "12,345", "67,890"}, {"bob", "0:00:59", "999", "1,000"}});
}

}  // namespace vy::testing
