#include "reports/report_session.h"

#include "reports/report_tables.h"
#include "reports/report_tree_builder.h"
#include "reports/value_format.h"

namespace vy {

namespace {

void ApplyColumns(ReportSession& session, int kind)
{
    const ColumnSet set = ColumnSetOf(kind);
    SetColumns(session.Table.Columns, set.Titles, set.Layout);
}

TableSource SourceOf(const ReportSession& session, const Stores& stores, const DateTexts& dates)
{
    return TableSource{stores, dates, session.InitialDate, session.FinalDate};
}

std::string_view TextAbove(const ReportTree& tree, int node, int levels)
{
    for (; levels > 0 && node >= 0; --levels)
        node = tree.Node(node).Parent;
    return node >= 0 ? std::string_view(tree.Node(node).Text) : std::string_view();
}

// The first root's table, as a scan's end and the view commands show it;
// the sort state is deliberately left alone on this path.
SortError ShowFirstRoot(ReportSession& session, const Stores& stores, const DateTexts& dates, bool usersView)
{
    const int root = session.Tree.FirstRoot();
    const TableSource source = SourceOf(session, stores, dates);
    SortError error;
    if (usersView) {
        ApplyColumns(session, ImageDomain);
        error = FillDomainTable(session.Table, session.LabelTotal, source, session.Tree.Node(root).Text);
        session.ReportKind = ImageDomain;
    } else {
        ApplyColumns(session, ImageYear);
        error = FillYearTable(session.Table, session.LabelTotal, source, session.Tree, root);
        session.ReportKind = ImageYear;
    }
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
    const TableSource source = SourceOf(session, stores, dates);
    ReportTable& table = session.Table;
    std::string& label = session.LabelTotal;
    switch (kind) {
    case ImageDomain: return FillDomainTable(table, label, source, TextAbove(tree, node, 0));
    case ImageUser: return FillUserTable(table, label, source, TextAbove(tree, node, 1), TextAbove(tree, node, 0));
    case ImageServer:
        return FillServerTable(table, label, source, TextAbove(tree, node, 1), TextAbove(tree, node, 0));
    case ImagePort:
        return FillPortTable(table, label, source, TextAbove(tree, node, 2), TextAbove(tree, node, 1),
                             TextAbove(tree, node, 0));
    case ImageSpeed:
        return FillSpeedTable(table, label, source, TextAbove(tree, node, 3), TextAbove(tree, node, 2),
                              TextAbove(tree, node, 1), TextAbove(tree, node, 0));
    case ImageYear: return FillYearTable(table, label, source, tree, node);
    case ImageMonth: return FillMonthTable(table, label, source, tree, node);
    case ImageDay: return FillDayTable(table, label, source, tree, node);
    default: return std::nullopt;
    }
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
    // A domain's servers and users may share a name; the row's image says
    // which kind of node it stands for, so a user row never opens a server.
    int childNumber = -1;
    for (std::size_t i = 0; i < current.Children.size(); ++i)
        if (const ReportNode& child = session.Tree.Node(current.Children[i]);
            child.Text == row.Cells.front() && child.Image == row.Image) {
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

SortError ListColumnClick(ReportSession& session, int column, const DateTexts& dates)
{
    const std::string_view rule = SortRuleFor(session.ReportKind, column);
    if (column == session.SortColumn)
        session.SortAscending ^= 1;
    SortError error = SortList(session.Table, column, rule, session.SortAscending, dates);
    if (!error)
        session.SortColumn = column;
    return error;
}

}  // namespace vy
