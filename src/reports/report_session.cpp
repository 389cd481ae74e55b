#include "reports/report_session.h"

#include "reports/report_tables.h"
#include "reports/report_tree_builder.h"
#include "reports/value_format.h"

namespace vy {

namespace {

void ApplyColumns(ReportSession& session, int kind)
{
    const ColumnSet set = ColumnSetOf(kind);
    SetColumns(session.Table.Columns, set.Titles, set.Layout, set.Kinds);
}

TableSource SourceOf(const ReportSession& session, const Stores& stores, const DateTexts& dates)
{
    return TableSource{stores, dates, session.InitialDate, session.FinalDate};
}

// The first root's table, as a scan's end and the view commands show it;
// the sort state is deliberately left alone on this path.
SortError ShowFirstRoot(ReportSession& session, const Stores& stores, const DateTexts& dates, bool usersView)
{
    const int root = session.Tree.FirstRoot();
    const TableSource source = SourceOf(session, stores, dates);
    const int kind = usersView ? ImageDomain : ImageYear;
    ApplyColumns(session, kind);
    // The view's table even for a root of the other view: then without rows.
    ReportNode shown;
    shown.Image = kind;
    if (session.Tree.Node(root).Image == kind)
        shown.Key = session.Tree.Node(root).Key;
    const SortError error = FillNodeTable(session.Table, session.LabelTotal, source, shown);
    session.ReportKind = kind;
    session.CurrentNode = root;
    session.NodePathText = session.Tree.Node(root).Text;
    session.ReportShown = true;
    return error;
}

}  // namespace

void SelectReportView(ReportSession& session, int view)
{
    session.UsersChecked = view == 1;
    session.DateChecked = view == 2;
}

void ClearForScan(ReportSession& session)
{
    session.Tree.Clear();
    session.Table.Rows.clear();
    session.Table.Columns.clear();
    session.Table.Totals = {};
    session.NodePathText.clear();
    session.LabelTotal.clear();
    session.ReportShown = false;
}

void ClearForDemo(ReportSession& session)
{
    session.Tree.Clear();
    session.Table.Rows.clear();
    session.Table.Totals = {};
    session.NodePathText.clear();
    session.LabelTotal.clear();
}

SortError BuildReportsAfterScan(ReportSession& session, Stores& stores, bool stopRequested, const DateTexts& dates)
{
    if (session.UsersChecked)
        BuildUsersTree(session.Tree, session.Table, stores, stopRequested);
    if (session.DateChecked)
        BuildDateTree(session.Tree, session.Table, stores, session.InitialDate, session.FinalDate);
    if (session.Tree.Empty())
        return std::nullopt;
    SortError error;
    if (session.UsersChecked)
        error = ShowFirstRoot(session, stores, dates, true);
    if (session.DateChecked)
        error = ShowFirstRoot(session, stores, dates, false);
    session.CurrentNode = session.Tree.FirstRoot();
    session.NodePathText = session.Tree.Node(session.CurrentNode).Text;
    session.ReportShown = true;
    return error;
}

SortError ShowUsersView(ReportSession& session, Stores& stores, bool stopRequested, const DateTexts& dates)
{
    SelectReportView(session, 1);
    BuildUsersTree(session.Tree, session.Table, stores, stopRequested);
    if (session.Tree.Empty())
        return std::nullopt;
    return ShowFirstRoot(session, stores, dates, true);
}

SortError ShowDateView(ReportSession& session, Stores& stores, const DateTexts& dates)
{
    SelectReportView(session, 2);
    BuildDateTree(session.Tree, session.Table, stores, session.InitialDate, session.FinalDate);
    if (session.Tree.Empty())
        return std::nullopt;
    return ShowFirstRoot(session, stores, dates, false);
}

std::string NodePath(const ReportTree& tree, int node)
{
    if (node < 0 || node >= tree.Count())
        return {};
    std::string path = tree.Node(node).Text;
    for (int p = tree.Node(node).Parent; p >= 0; p = tree.Node(p).Parent)
        path = tree.Node(p).Text + " \\ " + path;
    return path;
}

SortError TreeClick(ReportSession& session, const Stores& stores, int selectedNode, const DateTexts& dates)
{
    ReportTree& tree = session.Tree;
    if (tree.Empty())
        return std::nullopt;
    int node = -1;
    if (session.DrillIndex < 0) {
        node = selectedNode;
    } else if (session.CurrentNode >= 0 && session.CurrentNode < tree.Count()) {
        const auto& children = tree.Node(session.CurrentNode).Children;
        if (static_cast<std::size_t>(session.DrillIndex) < children.size())
            node = children[static_cast<std::size_t>(session.DrillIndex)];
    }
    // No selection (or a stale one): nothing to show, and nothing changes.
    if (node < 0 || node >= tree.Count())
        return std::nullopt;
    session.CurrentNode = node;

    session.NodePathText = NodePath(tree, node);
    session.ReportShown = true;
    session.LabelTotal = tree.Node(node).Text;

    const int kind = tree.Node(node).Image;
    session.ReportKind = kind;
    session.SortAscending = 1;
    session.SortColumn = 0;

    ApplyColumns(session, kind);
    return FillNodeTable(session.Table, session.LabelTotal, SourceOf(session, stores, dates), tree.Node(node));
}

SortError ListDblClick(ReportSession& session, const Stores& stores, int selectedRow, const DateTexts& dates)
{
    const auto& rows = session.Table.Rows;
    if (rows.empty() || rows.front().Image == ImageConnection)
        return std::nullopt;
    if (selectedRow < 0 || static_cast<std::size_t>(selectedRow) >= rows.size() ||
        rows[static_cast<std::size_t>(selectedRow)].Cells.empty())
        return std::nullopt;
    if (session.CurrentNode < 0 || session.CurrentNode >= session.Tree.Count())
        return std::nullopt;
    const ReportRow& row = rows[static_cast<std::size_t>(selectedRow)];
    ReportNode& current = session.Tree.Node(session.CurrentNode);
    // A domain's servers and users may share a key; the row's image says
    // which kind of node it stands for, so a user row never opens a server.
    int childNumber = -1;
    for (std::size_t i = 0; i < current.Children.size(); ++i)
        if (const ReportNode& child = session.Tree.Node(current.Children[i]);
            child.Key == row.Key && child.Image == row.Image) {
            childNumber = static_cast<int>(i);
            break;
        }
    if (childNumber < 0)
        return std::nullopt;
    current.Expanded = true;
    session.DrillIndex = childNumber;
    SortError error = TreeClick(session, stores, -1, dates);
    session.DrillIndex = -1;
    return error;
}

namespace {

// A click's rule and direction: the direction flips on a second click on
// the same column.
struct ColumnSort {
    ColumnKind Kind;
    std::uint8_t Ascending;
};

ColumnSort ClickSort(ReportSession& session, int column)
{
    const auto& columns = session.Table.Columns;
    const ColumnKind kind = column >= 0 && static_cast<std::size_t>(column) < columns.size()
                                ? columns[static_cast<std::size_t>(column)].Kind
                                : ColumnKind::Month;  // sorts nothing
    if (column == session.SortColumn)
        session.SortAscending ^= 1;
    return {kind, session.SortAscending};
}

}  // namespace

SortError ListColumnClick(ReportSession& session, int column)
{
    const ColumnSort sort = ClickSort(session, column);
    SortError error = SortList(session.Table, column, sort.Kind, sort.Ascending);
    if (!error)
        session.SortColumn = column;
    return error;
}

std::vector<SortError> ListColumnClicks(ReportSession& session, std::span<const int> columns)
{
    std::vector<SortError> errors;
    if (columns.empty())
        return errors;
    RowOrder order(session.Table);
    for (const int column : columns) {
        const ColumnSort sort = ClickSort(session, column);
        SortError& error = errors.emplace_back(order.Sort(session.Table, column, sort.Kind, sort.Ascending));
        if (!error)
            session.SortColumn = column;
    }
    order.Place(session.Table);
    return errors;
}

}  // namespace vy
