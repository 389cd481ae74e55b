#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "reports/date_text.h"
#include "reports/report_session.h"
#include "reports/report_tables.h"
#include "store/date_value.h"
#include "support/fixtures.h"

namespace vy {
namespace {

using Cells = std::vector<std::string>;

using testing::At;

using testing::Add;
using testing::RowTexts;

Cells Column(const ReportTable& table, std::size_t c)
{
    Cells cells;
    for (std::size_t r = 0; r < table.Rows.size(); ++r)
        cells.push_back(RowTexts(table, r).at(c));
    return cells;
}

Cells Captions(const ReportTable& table)
{
    Cells captions;
    for (const auto& column : table.Columns)
        captions.push_back(column.Caption);
    return captions;
}

class ReportSessionTest : public ::testing::Test {
protected:
    ReportSessionTest() : dates(QLocale::c())
    {
        dates.StripSeconds();
        session.InitialDate = At(1999, 10, 1);
        session.FinalDate = At(1999, 10, 31);
        Add(*stores, {"Local", "carol", "SRV1", "COM1", "28800", At(1999, 10, 5, 9, 0), 100, 10, 20});
        Add(*stores, {"Local", "alice", "SRV1", "COM1", "9600", At(1999, 10, 5, 10, 0), 200, 20, 40});
        Add(*stores, {"Local", "alice", "SRV2", "COM2", "9600", At(1999, 10, 7, 11, 0), 300, 30, 60});
        Add(*stores, {"Local", "bob", "SRV1", "COM10", "28800", At(1999, 10, 6, 12, 0), 400, 40, 80});
    }

    // The node reached by following the texts from a root.
    int Find(const Cells& path) const
    {
        int node = -1;
        for (const auto& text : path) {
            const std::vector<int>& level = node < 0 ? session.Tree.Roots() : session.Tree.Node(node).Children;
            int found = -1;
            for (const int n : level)
                if (session.Tree.Node(n).Text == text)
                    found = n;
            if (found < 0)
                return -1;
            node = found;
        }
        return node;
    }

    int RowOf(const std::string& caption) const
    {
        for (std::size_t i = 0; i < session.Table.Rows.size(); ++i)
            if (RowTexts(session.Table, i)[0] == caption)
                return static_cast<int>(i);
        return -1;
    }

    std::unique_ptr<Stores> stores = std::make_unique<Stores>();
    DateTexts dates;
    ReportSession session;
};

TEST_F(ReportSessionTest, SelectReportViewChecksExactlyTheNamedItem)
{
    SelectReportView(session, 2);
    EXPECT_FALSE(session.UsersChecked);
    EXPECT_TRUE(session.DateChecked);
    SelectReportView(session, 1);
    EXPECT_TRUE(session.UsersChecked);
    EXPECT_FALSE(session.DateChecked);
    SelectReportView(session, 3);
    EXPECT_FALSE(session.UsersChecked);
    EXPECT_FALSE(session.DateChecked);
}

TEST_F(ReportSessionTest, ScanEndShowsTheFirstDomainWithoutResettingTheSort)
{
    session.SortColumn = 3;
    session.SortAscending = 0;
    EXPECT_FALSE(BuildReportsAfterScan(session, *stores, false, dates));
    EXPECT_EQ(session.ReportKind, 1);
    EXPECT_EQ(session.CurrentNode, session.Tree.FirstRoot());
    EXPECT_EQ(session.NodePathText, "Local");
    EXPECT_TRUE(session.ReportShown);
    EXPECT_EQ(Captions(session.Table), (Cells{"User", "Time", "Send", "Receive"}));
    EXPECT_EQ(Column(session.Table, 0), (Cells{"alice", "bob", "carol"}));
    EXPECT_EQ(session.LabelTotal, "Total:    Time: 0:16:40   Send: 100   Receive: 200");
    EXPECT_EQ(session.SortColumn, 3);
    EXPECT_EQ(session.SortAscending, 0);
    EXPECT_TRUE(session.Tree.Node(session.Tree.FirstRoot()).Expanded);
}

TEST_F(ReportSessionTest, ScanEndInTheDateViewShowsTheFirstYear)
{
    SelectReportView(session, 2);
    BuildReportsAfterScan(session, *stores, false, dates);
    EXPECT_EQ(session.ReportKind, 6);
    EXPECT_EQ(session.NodePathText, "1999");
    EXPECT_EQ(Captions(session.Table), (Cells{"Month", "Time", "Send", "Receive"}));
    EXPECT_EQ(session.Table.Rows.size(), 1u);
    EXPECT_EQ(RowTexts(session.Table, 0), (Cells{"October", "0:16:40", "100", "200"}));
}

TEST_F(ReportSessionTest, AStoppedScanLeavesTheUsersViewAndTheStoresEmpty)
{
    session.Table.Columns.push_back({"old", 1, Alignment::Left});
    EXPECT_FALSE(BuildReportsAfterScan(session, *stores, true, dates));
    EXPECT_TRUE(session.Tree.Empty());
    EXPECT_EQ(stores->Connections.Count(), 0);
    EXPECT_TRUE(session.Table.Columns.empty());
    EXPECT_EQ(session.ReportKind, 0);
    // The Date/Time view then finds nothing to show either.
    EXPECT_FALSE(ShowDateView(session, *stores, dates));
    EXPECT_TRUE(session.Tree.Empty());
    EXPECT_TRUE(session.DateChecked);
}

TEST_F(ReportSessionTest, AStoppedScanInTheDateViewShowsWhatWasReadUntilUsersIsChosen)
{
    SelectReportView(session, 2);
    BuildReportsAfterScan(session, *stores, true, dates);
    EXPECT_EQ(session.Tree.Count(), 1 + 1 + 31);
    EXPECT_EQ(RowTexts(session.Table, 0)[1], "0:16:40");
    ShowUsersView(session, *stores, true, dates);
    EXPECT_TRUE(session.Tree.Empty());
    EXPECT_EQ(stores->Names.Count(), 0);
}

TEST_F(ReportSessionTest, ViewCommandsRebuildAndShowTheFirstRoot)
{
    session.SortColumn = 2;
    ShowDateView(session, *stores, dates);
    EXPECT_TRUE(session.DateChecked);
    EXPECT_EQ(session.ReportKind, 6);
    EXPECT_EQ(session.Tree.Node(session.CurrentNode).Text, "1999");
    EXPECT_EQ(session.NodePathText, "1999");
    ShowUsersView(session, *stores, false, dates);
    EXPECT_TRUE(session.UsersChecked);
    EXPECT_FALSE(session.DateChecked);
    EXPECT_EQ(session.ReportKind, 1);
    EXPECT_EQ(session.NodePathText, "Local");
    EXPECT_EQ(Column(session.Table, 0), (Cells{"alice", "bob", "carol"}));
    EXPECT_EQ(session.SortColumn, 2);
}

TEST_F(ReportSessionTest, DateViewShowsTheFirstYearEvenWithoutConnectionsInIt)
{
    session.InitialDate = At(1998, 12, 30);
    ShowDateView(session, *stores, dates);
    EXPECT_EQ(session.NodePathText, "1998");
    EXPECT_EQ(Column(session.Table, 0), (Cells{"December"}));
    EXPECT_EQ(session.LabelTotal, "Total:    Time: 0:00:00   Send: 0   Receive: 0");
}

TEST_F(ReportSessionTest, NodePathsJoinTheTextsFromTheRoot)
{
    ShowUsersView(session, *stores, false, dates);
    const int speed = Find({"Local", "SRV1", "COM1", "28800"});
    ASSERT_GE(speed, 0);
    EXPECT_EQ(NodePath(session.Tree, speed), "Local \\ SRV1 \\ COM1 \\ 28800");
    EXPECT_EQ(NodePath(session.Tree, session.Tree.FirstRoot()), "Local");
    ShowDateView(session, *stores, dates);
    EXPECT_EQ(NodePath(session.Tree, Find({"1999", "October", "5"})), "1999 \\ October \\ 5");
    EXPECT_EQ(NodePath(session.Tree, -1), "");
}

TEST_F(ReportSessionTest, TreeClickShowsTheNodesTableAndResetsTheSort)
{
    ShowUsersView(session, *stores, false, dates);
    session.SortColumn = 4;
    session.SortAscending = 0;
    const int speed = Find({"Local", "SRV1", "COM1", "28800"});
    EXPECT_FALSE(TreeClick(session, *stores, speed, dates));
    EXPECT_EQ(session.CurrentNode, speed);
    EXPECT_EQ(session.ReportKind, 5);
    EXPECT_EQ(session.SortColumn, 0);
    EXPECT_EQ(session.SortAscending, 1);
    EXPECT_EQ(session.NodePathText, "Local \\ SRV1 \\ COM1 \\ 28800");
    EXPECT_EQ(Captions(session.Table), (Cells{"Date", "User", "Time", "Send", "Receive"}));
    ASSERT_EQ(session.Table.Rows.size(), 1u);
    EXPECT_EQ(RowTexts(session.Table, 0), (Cells{"5 Oct 1999 09:00", "carol", "0:01:40", "10", "20"}));
    EXPECT_EQ(session.LabelTotal, "Total:    Time: 0:01:40   Send: 10   Receive: 20");

    TreeClick(session, *stores, Find({"Local", "SRV1"}), dates);
    EXPECT_EQ(session.ReportKind, 3);
    EXPECT_EQ(Column(session.Table, 0), (Cells{"COM1", "COM10"}));
    TreeClick(session, *stores, Find({"Local", "SRV1", "COM10"}), dates);
    EXPECT_EQ(session.ReportKind, 4);
    EXPECT_EQ(Captions(session.Table), (Cells{"Speed", "Time", "Send", "Receive"}));
    EXPECT_EQ(session.Table.Columns[0].Align, Alignment::Right);

    ShowDateView(session, *stores, dates);
    TreeClick(session, *stores, Find({"1999", "October"}), dates);
    EXPECT_EQ(session.ReportKind, 7);
    EXPECT_EQ(session.Table.Rows.size(), 31u);
    TreeClick(session, *stores, Find({"1999", "October", "5"}), dates);
    EXPECT_EQ(session.ReportKind, 8);
    EXPECT_EQ(Column(session.Table, 2), (Cells{"carol", "alice"}));
}

TEST_F(ReportSessionTest, TreeClickWithoutNodesOrSelectionDoesNothing)
{
    session.LabelTotal = "kept";
    session.SortColumn = 2;
    EXPECT_FALSE(TreeClick(session, *stores, 0, dates));
    EXPECT_EQ(session.LabelTotal, "kept");
    ShowUsersView(session, *stores, false, dates);
    const std::string shown = session.LabelTotal;
    const int current = session.CurrentNode;
    session.SortColumn = 2;
    EXPECT_FALSE(TreeClick(session, *stores, -1, dates));
    EXPECT_FALSE(TreeClick(session, *stores, 10000, dates));
    EXPECT_EQ(session.CurrentNode, current);
    EXPECT_EQ(session.LabelTotal, shown);
    EXPECT_EQ(session.SortColumn, 2);
}

TEST_F(ReportSessionTest, DoubleClickOpensTheUserOfTheRowWhileTheTreeSelectionStays)
{
    ShowUsersView(session, *stores, false, dates);
    const int domain = session.Tree.FirstRoot();
    session.Tree.Node(domain).Expanded = false;
    // Sorting moves only texts: the row of alice still opens alice.
    session.SortColumn = 0;
    ListColumnClick(session, 0);
    ASSERT_EQ(Column(session.Table, 0), (Cells{"carol", "bob", "alice"}));

    EXPECT_FALSE(ListDblClick(session, *stores, RowOf("alice"), dates));
    EXPECT_EQ(session.CurrentNode, Find({"Local", "alice"}));
    EXPECT_EQ(session.ReportKind, 2);
    EXPECT_EQ(session.NodePathText, "Local \\ alice");
    EXPECT_EQ(session.DrillIndex, -1);
    EXPECT_TRUE(session.Tree.Node(domain).Expanded);
    EXPECT_EQ(session.SortColumn, 0);
    EXPECT_EQ(session.SortAscending, 1);
    EXPECT_EQ(Captions(session.Table), (Cells{"Date", "Server", "Port", "Time", "Send", "Receive", "Speed"}));
    EXPECT_EQ(Column(session.Table, 1), (Cells{"SRV1", "SRV2"}));
    EXPECT_EQ(session.LabelTotal, "Total:    Time: 0:08:20   Send: 50   Receive: 100");

    // A connection list opens nothing.
    const std::string path = session.NodePathText;
    EXPECT_FALSE(ListDblClick(session, *stores, 0, dates));
    EXPECT_EQ(session.NodePathText, path);
    EXPECT_EQ(session.ReportKind, 2);
}

TEST_F(ReportSessionTest, DoubleClickOnAUserRowOpensTheUserEvenWhenAServerHasTheSameName)
{
    Add(*stores, {"Local", "srv1", "srv1", "COM1", "9600", At(1999, 10, 8), 5, 5, 10});
    ShowUsersView(session, *stores, false, dates);
    ListDblClick(session, *stores, RowOf("srv1"), dates);
    EXPECT_EQ(session.ReportKind, 2);
    EXPECT_EQ(session.Tree.Node(session.CurrentNode).Image, ImageUser);
    EXPECT_EQ(session.LabelTotal, "Total:    Time: 0:00:05   Send: 5   Receive: 10");
}

TEST_F(ReportSessionTest, DoubleClickWithoutARowOrAMatchingChildDoesNothing)
{
    ShowUsersView(session, *stores, false, dates);
    session.Tree.Node(session.CurrentNode).Expanded = false;
    const int current = session.CurrentNode;
    EXPECT_FALSE(ListDblClick(session, *stores, -1, dates));
    EXPECT_FALSE(ListDblClick(session, *stores, 99, dates));
    session.Table.Rows[0].Key = NoKey;
    EXPECT_FALSE(ListDblClick(session, *stores, 0, dates));
    EXPECT_EQ(session.CurrentNode, current);
    EXPECT_EQ(session.ReportKind, 1);
    EXPECT_EQ(session.DrillIndex, -1);

    session.Table.Rows.clear();
    EXPECT_FALSE(ListDblClick(session, *stores, 0, dates));
    EXPECT_EQ(session.CurrentNode, current);
}

TEST_F(ReportSessionTest, DrillDownThroughTheDateTree)
{
    ShowDateView(session, *stores, dates);
    ListDblClick(session, *stores, 0, dates);  // October
    EXPECT_EQ(session.ReportKind, 7);
    EXPECT_EQ(session.NodePathText, "1999 \\ October");
    ListDblClick(session, *stores, RowOf("6"), dates);
    EXPECT_EQ(session.ReportKind, 8);
    EXPECT_EQ(session.NodePathText, "1999 \\ October \\ 6");
    EXPECT_EQ(Column(session.Table, 2), (Cells{"bob"}));
}

TEST_F(ReportSessionTest, ColumnClicksToggleOnlyOnTheSameColumn)
{
    ShowUsersView(session, *stores, false, dates);
    TreeClick(session, *stores, Find({"Local", "alice"}), dates);
    Add(*stores, {"Local", "alice", "SRV3", "COM3", "300", At(1999, 10, 6, 8, 0), 50, 25, 50});
    TreeClick(session, *stores, Find({"Local", "alice"}), dates);
    // Rows in store order: 10-05 (20 bytes), 10-07 (30), 10-06 (25).
    ASSERT_EQ(Column(session.Table, 4), (Cells{"20", "30", "25"}));

    // A first click on column 0 right after selection sorts descending.
    ListColumnClick(session, 0);
    EXPECT_EQ(session.SortAscending, 0);
    EXPECT_EQ(Column(session.Table, 4), (Cells{"30", "25", "20"}));

    TreeClick(session, *stores, Find({"Local", "alice"}), dates);
    ListColumnClick(session, 4);  // Send, ascending
    EXPECT_EQ(session.SortColumn, 4);
    EXPECT_EQ(session.SortAscending, 1);
    EXPECT_EQ(Column(session.Table, 4), (Cells{"20", "25", "30"}));
    ListColumnClick(session, 4);  // again: descending
    EXPECT_EQ(session.SortAscending, 0);
    EXPECT_EQ(Column(session.Table, 4), (Cells{"30", "25", "20"}));
    ListColumnClick(session, 3);  // another column keeps the direction
    EXPECT_EQ(session.SortColumn, 3);
    EXPECT_EQ(session.SortAscending, 0);
    EXPECT_EQ(Column(session.Table, 3), (Cells{"0:05:00", "0:03:20", "0:00:50"}));

    // The same clicks given at once leave the same state and rows.
    TreeClick(session, *stores, Find({"Local", "alice"}), dates);
    ReportSession oneByOne = session;
    const std::vector<int> clicks = {0, 4, 4, 3, 1, 1};
    for (const int column : clicks)
        ListColumnClick(oneByOne, column);
    EXPECT_EQ(ListColumnClicks(session, clicks).size(), clicks.size());
    EXPECT_EQ(session.SortColumn, oneByOne.SortColumn);
    EXPECT_EQ(session.SortAscending, oneByOne.SortAscending);
    for (std::size_t c = 0; c < 7; ++c)
        EXPECT_EQ(Column(session.Table, c), Column(oneByOne.Table, c));
}

TEST_F(ReportSessionTest, MonthAndDayOfWeekColumnsCannotBeSortedButStillToggle)
{
    session.InitialDate = At(1999, 9, 1);
    ShowDateView(session, *stores, dates);
    session.SortColumn = -1;
    session.SortAscending = 1;
    const Cells months = Column(session.Table, 0);
    ASSERT_EQ(months, (Cells{"September", "October"}));
    ListColumnClick(session, 0);
    EXPECT_EQ(Column(session.Table, 0), months);
    EXPECT_EQ(session.SortColumn, 0);
    EXPECT_EQ(session.SortAscending, 1);
    ListColumnClick(session, 0);
    EXPECT_EQ(Column(session.Table, 0), months);
    EXPECT_EQ(session.SortAscending, 0);

    TreeClick(session, *stores, Find({"1999", "October"}), dates);
    const Cells weekdays = Column(session.Table, 4);
    ListColumnClick(session, 4);
    ListColumnClick(session, 4);
    EXPECT_EQ(Column(session.Table, 4), weekdays);
    EXPECT_EQ(session.SortColumn, 4);
    EXPECT_EQ(session.SortAscending, 0);
    // The Day column does sort, by its digits.
    ListColumnClick(session, 0);
    EXPECT_EQ(RowTexts(session.Table, 0)[0], "31");
    EXPECT_EQ(RowTexts(session.Table, 0)[4], "Sunday");
}

TEST_F(ReportSessionTest, AFailedSortKeepsTheFlipButNotTheColumn)
{
    ShowUsersView(session, *stores, false, dates);
    TreeClick(session, *stores, Find({"Local", "alice"}), dates);
    session.Table.Rows[1].Values.DateTime = 1e12;  // a moment no text shows
    session.Table.Rows[1].Values.Shown.reset();
    const SortError error = ListColumnClick(session, 0);
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, "'' is not a valid date and time");
    EXPECT_EQ(session.SortAscending, 0);
    // A failing click on another column leaves the sort column where it was.
    session.SortColumn = 4;
    EXPECT_TRUE(ListColumnClick(session, 0));
    EXPECT_EQ(session.SortColumn, 4);
    EXPECT_EQ(session.SortAscending, 0);
    // The table stays usable: another column still sorts.
    EXPECT_FALSE(ListColumnClick(session, 3));
    EXPECT_EQ(session.SortColumn, 3);
    EXPECT_EQ(Column(session.Table, 3), (Cells{"0:05:00", "0:03:20"}));
}

TEST_F(ReportSessionTest, ClearingForAScanOrForTheDemo)
{
    ShowUsersView(session, *stores, false, dates);
    ClearForDemo(session);
    EXPECT_TRUE(session.Tree.Empty());
    EXPECT_TRUE(session.Table.Rows.empty());
    EXPECT_EQ(session.Table.Columns.size(), 4u);
    EXPECT_TRUE(session.ReportShown);
    EXPECT_EQ(session.LabelTotal, "");
    EXPECT_EQ(session.NodePathText, "");
    EXPECT_EQ(session.ReportKind, 1);

    ShowUsersView(session, *stores, false, dates);
    ClearForScan(session);
    EXPECT_TRUE(session.Tree.Empty());
    EXPECT_TRUE(session.Table.Columns.empty());
    EXPECT_TRUE(session.Table.Rows.empty());
    EXPECT_FALSE(session.ReportShown);
    EXPECT_EQ(session.LabelTotal, "");
    // A click or a double click on the emptied view does nothing.
    EXPECT_FALSE(TreeClick(session, *stores, 0, dates));
    EXPECT_FALSE(ListDblClick(session, *stores, 0, dates));
    EXPECT_TRUE(session.Table.Rows.empty());
}

}  // namespace
}  // namespace vy
