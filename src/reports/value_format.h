#pragma once
// Texts of durations and byte counts, and the column sets of the eight
// report kinds.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reports/report_table.h"

namespace vy {

// H:MM:SS with unpadded, unlimited hours (3725 -> "1:02:05").
std::string SecondsToText(std::int64_t seconds);
// Decimal digits with the separator before every group of three
// (1234567890123 -> "1,234,567,890,123" with ",").
std::string GroupDigits(std::string_view separator, std::int64_t value);

struct ColumnSet {
    std::string_view Titles;  // e.g. "User;Time;Send;Receive;"
    std::string_view Layout;  // e.g. "L100R100R100R100"
    std::array<ColumnKind, 9> Kinds{};  // column by column; Text past the titles
};
// The column set of report kind 1..8; empty titles and layout otherwise.
ColumnSet ColumnSetOf(int reportKind);
// Replaces the columns with those that the titles and layout describe; a
// column past the kinds given holds text.
void SetColumns(std::vector<ReportColumn>& columns, std::string_view titles, std::string_view layout,
                std::span<const ColumnKind> kinds = {});

}  // namespace vy
