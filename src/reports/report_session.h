#pragma once
// The report side of the main window as plain data, with the commands that
// change it: view selection, tree click, drill-down and column click. The
// desktop program mirrors this state into its widgets; vy-report prints it.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "reports/list_sort.h"
#include "reports/report_table.h"
#include "reports/report_tree.h"
#include "store/stores.h"

namespace vy {

class DateTexts;

struct ReportSession {
    // Check marks of Report > Users and Report > Date/Time.
    bool UsersChecked = true;
    bool DateChecked = false;

    ReportTree Tree;
    ReportTable Table;
    std::string NodePathText;  // the shown node's path
    std::string LabelTotal;
    bool ReportShown = false;  // a table and its totals stand under the path

    int CurrentNode = -1;  // node whose table is shown
    int ReportKind = 0;    // 1..8 once a table is shown
    int DrillIndex = -1;
    int SortColumn = -1;
    std::uint8_t SortAscending = 1;

    // The date range of the last scan, whole days.
    double InitialDate = 0;
    double FinalDate = 0;
};

// Checks the Users item for 1, the Date/Time item for 2, neither otherwise.
void SelectReportView(ReportSession& session, int view);

// What "Go!" empties before the reading: nodes, rows, columns, both labels,
// and the line between them.
void ClearForScan(ReportSession& session);
// What the Demo command empties: rows, nodes and both labels.
void ClearForDemo(ReportSession& session);

// The report building that ends a scan: the checked view's tree, then the
// first root node's table. stopRequested is the scan's stop flag.
SortError BuildReportsAfterScan(ReportSession& session, Stores& stores, bool stopRequested, const DateTexts& dates);

// Report > Users and Report > Date/Time.
SortError ShowUsersView(ReportSession& session, Stores& stores, bool stopRequested, const DateTexts& dates);
SortError ShowDateView(ReportSession& session, Stores& stores, const DateTexts& dates);

// A click in the tree; selectedNode is the tree's selection, -1 for none.
SortError TreeClick(ReportSession& session, const Stores& stores, int selectedNode, const DateTexts& dates);
// A double click in the list; selectedRow is the list's selection, -1 for none.
SortError ListDblClick(ReportSession& session, const Stores& stores, int selectedRow, const DateTexts& dates);
// A click on the header of column `column`.
SortError ListColumnClick(ReportSession& session, int column);
// Clicks on the headers of `columns` in turn, the rows moved once; the
// error of each click.
std::vector<SortError> ListColumnClicks(ReportSession& session, std::span<const int> columns);

// The node texts from the root down to the node, joined by " \ ".
std::string NodePath(const ReportTree& tree, int node);

}  // namespace vy
