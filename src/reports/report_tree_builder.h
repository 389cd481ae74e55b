#pragma once
// Building the report tree in its two views: Users (domains, servers, ports,
// speeds and users, from the name table) and Date/Time (every day of the
// scan's date range).

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "reports/report_table.h"
#include "reports/report_tree.h"
#include "store/stores.h"

namespace vy {

// Month names indexed 1..12 ([0] is empty). The sixth is "Juny".
extern const std::array<std::string_view, 13> MonthNames;

// The number a port ("Port": its digits) or a speed ("Speed": the whole
// text as a decimal integer) is ordered by; 0 when the text has none or it
// does not fit a signed 64-bit integer.
long long NumberForOrder(std::string_view text, std::string_view keyWord);

// Rebuilds the Users view. Does nothing at all when both stores are empty;
// otherwise empties the tree and the table (columns and rows) first, and
// empties the stores too when stopRequested is set (a stopped scan shows
// nothing). Returns whether it rebuilt.
bool BuildUsersTree(ReportTree& tree, ReportTable& table, Stores& stores, bool stopRequested);

// Rebuilds the Date/Time view with one node per day from initialDate to
// finalDate (rounded to whole days). Does nothing at all when both stores are
// empty. Returns whether it rebuilt.
bool BuildDateTree(ReportTree& tree, ReportTable& table, const Stores& stores, double initialDate, double finalDate);

}  // namespace vy
