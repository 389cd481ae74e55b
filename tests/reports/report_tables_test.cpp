#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>

#include <memory>
#include <string>
#include <vector>

#include "reports/date_text.h"
#include "reports/report_tables.h"
#include "reports/report_tree_builder.h"
#include "reports/value_format.h"
#include "store/date_value.h"
#include "support/fixtures.h"

namespace vy {
namespace {

using testing::Add;
using testing::At;
using Conn = testing::Connection;

std::vector<std::string> Column(const ReportTable& table, std::size_t c)
{
    std::vector<std::string> cells;
    for (std::size_t r = 0; r < table.Rows.size(); ++r) {
        const std::vector<std::string> texts = testing::RowTexts(table, r);
        cells.push_back(c < texts.size() ? texts[c] : "<missing>");
    }
    return cells;
}

using Cells = std::vector<std::string>;

class ReportTablesTest : public ::testing::Test {
protected:
    ReportTablesTest() : dates(QLocale::c()) { dates.StripSeconds(); }

    TableSource Source() const { return TableSource{*stores, dates, initial, final}; }
    // Name-table indices by the names of the chain, -1 for none.
    int Domain(const char* d) const { return stores->Names.Find(KindDomain, d, 0, 0, 0); }
    int User(const char* d, const char* u) const { return stores->Names.Find(KindUser, u, Domain(d), 0, 0); }
    int Server(const char* d, const char* s) const { return stores->Names.Find(KindServer, s, Domain(d), 0, 0); }
    int Port(const char* d, const char* s, const char* p) const
    {
        return stores->Names.Find(KindPort, p, Domain(d), Server(d, s), 0);
    }
    int Speed(const char* d, const char* s, const char* p, const char* sp) const
    {
        return stores->Names.Find(KindSpeed, sp, Domain(d), Server(d, s), Port(d, s, p));
    }

    std::unique_ptr<Stores> stores = std::make_unique<Stores>();
    DateTexts dates;
    double initial = At(1999, 10, 15);
    double final = At(1999, 11, 3);
    ReportTable table;
    std::string label = "node text";
    ReportTree tree;
};

TEST(TotalsLineTest, ExactBlanksAndFormats)
{
    EXPECT_EQ(TotalsLine(0, 0, 0), "Total:    Time: 0:00:00   Send: 0   Receive: 0");
    EXPECT_EQ(TotalsLine(3725, 1234567, 3000000000LL), "Total:    Time: 1:02:05   Send: 1,234,567   Receive: 3,000,000,000");
}

TEST_F(ReportTablesTest, DomainTableSumsPerUserSortedByText)
{
    Add(*stores, {"Local", "carol", "S1", "COM1", "9600", At(1999, 10, 15, 9, 30), 100, 1000, 10});
    Add(*stores, {"Local", "alice", "S1", "COM1", "9600", At(1999, 10, 16), 50, 2000, 20});
    Add(*stores, {"Other", "alice", "S1", "COM1", "9600", At(1999, 10, 16), 7, 7, 7});
    Add(*stores, {"Local", "bob", "S2", "COM2", "9600", At(1999, 10, 17), 3600, 999, 1});
    Add(*stores, {"Local", "alice", "S2", "COM2", "9600", At(1999, 10, 18), 10, 1, 1});
    Add(*stores, {"Local", "dave", "S2", "COM2", "9600", At(1999, 10, 18), 0, 0, 0});

    EXPECT_FALSE(FillDomainTable(table, label, Source(), Domain("Local")));
    ASSERT_EQ(table.Rows.size(), 4u);
    EXPECT_EQ(testing::RowTexts(table, 0), (Cells{"alice", "0:01:00", "2,001", "21"}));
    EXPECT_EQ(testing::RowTexts(table, 1), (Cells{"bob", "1:00:00", "999", "1"}));
    EXPECT_EQ(testing::RowTexts(table, 2), (Cells{"carol", "0:01:40", "1,000", "10"}));
    EXPECT_EQ(testing::RowTexts(table, 3), (Cells{"dave", "0:00:00", "0", "0"}));
    for (const auto& row : table.Rows)
        EXPECT_EQ(row.Image, ImageUser);
    EXPECT_EQ(label, "Total:    Time: 1:02:40   Send: 4,000   Receive: 32");
}

TEST_F(ReportTablesTest, BuildersReplaceRowsButNeverColumns)
{
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(1999, 10, 15), 1, 1, 1});
    table.Columns.push_back({"Anything", 10, Alignment::Center});
    table.Rows.push_back({{"stale", "x"}, 3});
    FillDomainTable(table, label, Source(), Domain("Local"));
    EXPECT_EQ(table.Columns.size(), 1u);
    EXPECT_EQ(Column(table, 0), (Cells{"amy"}));
}

TEST_F(ReportTablesTest, TimeAndByteSumsGoBeyond32Bits)
{
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(1999, 10, 15), 2000000000, 5000000000000, 2147483647});
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(1999, 10, 15), 2000000000, 5000000000000, 2147483647});

    FillDomainTable(table, label, Source(), Domain("Local"));
    ASSERT_EQ(table.Rows.size(), 1u);
    EXPECT_EQ(testing::RowTexts(table, 0), (Cells{"amy", "1111111:06:40", "10,000,000,000,000", "4,294,967,294"}));
    EXPECT_EQ(label, "Total:    Time: 1111111:06:40   Send: 10,000,000,000,000   Receive: 4,294,967,294");
}

TEST_F(ReportTablesTest, UserTableListsConnectionsInStoreOrder)
{
    Add(*stores, {"Local", "amy", "SRV2", "COM10", "28800", At(1999, 10, 20, 14, 5), 61, 1234, 5678});
    Add(*stores, {"Local", "bob", "SRV1", "COM1", "9600", At(1999, 10, 16), 5, 5, 5});
    Add(*stores, {"Local", "amy", "SRV1", "COM1", "9600", At(1999, 10, 16), 3599, 0, 1000000});

    EXPECT_FALSE(FillUserTable(table, label, Source(), User("Local", "amy")));
    ASSERT_EQ(table.Rows.size(), 2u);
    EXPECT_EQ(testing::RowTexts(table, 0),
              (Cells{"20 Oct 1999 14:05", "SRV2", "COM10", "0:01:01", "1,234", "5,678", "28800"}));
    // Midnight shows the date alone.
    EXPECT_EQ(testing::RowTexts(table, 1), (Cells{"16 Oct 1999", "SRV1", "COM1", "0:59:59", "0", "1,000,000", "9600"}));
    EXPECT_EQ(table.Rows[0].Image, ImageConnection);
    EXPECT_EQ(label, "Total:    Time: 1:01:00   Send: 1,234   Receive: 1,005,678");
}

TEST_F(ReportTablesTest, ServerTableSumsPerPortInPortOrder)
{
    Add(*stores, {"Local", "amy", "SRV1", "COM10", "9600", At(1999, 10, 15), 10, 10, 10});
    Add(*stores, {"Local", "amy", "SRV1", "COM2", "9600", At(1999, 10, 15), 20, 20, 20});
    Add(*stores, {"Local", "bob", "SRV1", "COM1", "9600", At(1999, 10, 15), 30, 30, 30});
    Add(*stores, {"Local", "bob", "SRV1", "COM1", "28800", At(1999, 10, 15), 1, 1, 1});
    Add(*stores, {"Local", "bob", "SRV2", "COM1", "9600", At(1999, 10, 15), 500, 500, 500});

    EXPECT_FALSE(FillServerTable(table, label, Source(), Server("Local", "SRV1")));
    ASSERT_EQ(table.Rows.size(), 3u);
    EXPECT_EQ(testing::RowTexts(table, 0), (Cells{"COM1", "0:00:31", "31", "31"}));
    EXPECT_EQ(testing::RowTexts(table, 1), (Cells{"COM2", "0:00:20", "20", "20"}));
    EXPECT_EQ(testing::RowTexts(table, 2), (Cells{"COM10", "0:00:10", "10", "10"}));
    EXPECT_EQ(table.Rows[2].Image, ImagePort);
    EXPECT_EQ(label, "Total:    Time: 0:01:01   Send: 61   Receive: 61");
}

TEST_F(ReportTablesTest, PortTableSumsPerSpeedInSpeedOrderAndSpeedTableListsItsRecords)
{
    Add(*stores, {"Local", "amy", "SRV1", "COM1", "115200", At(1999, 10, 15, 8, 0), 1, 1, 1});
    Add(*stores, {"Local", "bob", "SRV1", "COM1", "9600", At(1999, 10, 15, 9, 0), 2, 2, 2});
    Add(*stores, {"Local", "amy", "SRV1", "COM1", "28800", At(1999, 10, 15, 10, 0), 3, 3, 3});
    Add(*stores, {"Local", "carl", "SRV1", "COM1", "9600", At(1999, 10, 15, 11, 0), 4, 4, 4});
    Add(*stores, {"Local", "carl", "SRV1", "COM2", "9600", At(1999, 10, 15, 11, 0), 99, 99, 99});

    FillPortTable(table, label, Source(), Port("Local", "SRV1", "COM1"));
    EXPECT_EQ(Column(table, 0), (Cells{"9600", "28800", "115200"}));
    EXPECT_EQ(Column(table, 1), (Cells{"0:00:06", "0:00:03", "0:00:01"}));
    EXPECT_EQ(table.Rows[0].Image, ImageSpeed);

    FillSpeedTable(table, label, Source(), Speed("Local", "SRV1", "COM1", "9600"));
    ASSERT_EQ(table.Rows.size(), 2u);
    EXPECT_EQ(testing::RowTexts(table, 0), (Cells{"15 Oct 1999 09:00", "bob", "0:00:02", "2", "2"}));
    EXPECT_EQ(testing::RowTexts(table, 1), (Cells{"15 Oct 1999 11:00", "carl", "0:00:04", "4", "4"}));
    EXPECT_EQ(label, "Total:    Time: 0:00:06   Send: 6   Receive: 6");
}

TEST_F(ReportTablesTest, TextsNamingNoEntryGiveEmptyTables)
{
    Add(*stores, {"Local", "amy", "SRV1", "COM1", "9600", At(1999, 10, 15), 1, 1, 1});
    const std::string empty = "Total:    Time: 0:00:00   Send: 0   Receive: 0";
    table.Rows.push_back({{"stale"}, 2});
    FillDomainTable(table, label, Source(), Domain("Nowhere"));
    EXPECT_TRUE(table.Rows.empty());
    EXPECT_EQ(label, empty);
    FillUserTable(table, label, Source(), User("Local", "nobody"));
    EXPECT_TRUE(table.Rows.empty());
    FillServerTable(table, label, Source(), User("Local", "amy"));  // a user's index, not a server's
    EXPECT_TRUE(table.Rows.empty());
    FillPortTable(table, label, Source(), Port("Local", "SRV1", "COM9"));
    EXPECT_TRUE(table.Rows.empty());
    FillSpeedTable(table, label, Source(), Speed("Other", "SRV1", "COM1", "9600"));
    EXPECT_TRUE(table.Rows.empty());
    EXPECT_EQ(label, empty);

    FillYearTable(table, label, Source(), 0);
    EXPECT_TRUE(table.Rows.empty());
    FillMonthTable(table, label, Source(), 1999, 13);
    EXPECT_TRUE(table.Rows.empty());
    FillDayTable(table, label, Source(), NoKey);
    EXPECT_TRUE(table.Rows.empty());
    EXPECT_EQ(label, empty);
}

class DateTablesTest : public ReportTablesTest {
protected:
    void SetUp() override { Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(1999, 10, 15), 1, 1, 1}); }

    void BuildTree() { BuildDateTree(tree, table, *stores, initial, final); }

    int Find(const std::vector<std::string>& path)
    {
        int node = -1;
        for (const auto& text : path) {
            const std::vector<int>& level = node < 0 ? tree.Roots() : tree.Node(node).Children;
            int found = -1;
            for (const int n : level)
                if (tree.Node(n).Text == text)
                    found = n;
            if (found < 0)
                return -1;
            node = found;
        }
        return node;
    }
};

TEST_F(DateTablesTest, OctoberToNovemberRange)
{
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(1999, 10, 31, 23, 59), 10, 100, 1000});
    Add(*stores, {"Local", "bob", "S1", "COM1", "9600", At(1999, 11, 1, 0, 1), 20, 200, 2000});
    Add(*stores, {"Local", "bob", "S1", "COM1", "9600", At(1999, 12, 1), 5000, 5000, 5000});  // outside the range
    BuildTree();

    FillNodeTable(table, label, Source(), tree.Node(Find({"1999"})));
    ASSERT_EQ(table.Rows.size(), 2u);
    EXPECT_EQ(testing::RowTexts(table, 0), (Cells{"October", "0:00:11", "101", "1,001"}));
    EXPECT_EQ(testing::RowTexts(table, 1), (Cells{"November", "0:00:20", "200", "2,000"}));
    EXPECT_EQ(table.Rows[0].Image, ImageMonth);
    EXPECT_EQ(label, "Total:    Time: 0:00:31   Send: 301   Receive: 3,001");

    FillNodeTable(table, label, Source(), tree.Node(Find({"1999", "October"})));
    ASSERT_EQ(table.Rows.size(), 17u);
    EXPECT_EQ(table.Rows.front().Cells, (Cells{"15", "0:00:01", "1", "1", "Friday"}));
    EXPECT_EQ(table.Rows.back().Cells, (Cells{"31", "0:00:10", "100", "1,000", "Sunday"}));
    EXPECT_EQ(testing::RowTexts(table, 1), (Cells{"16", "0:00:00", "0", "0", "Saturday"}));
    EXPECT_EQ(table.Rows[0].Image, ImageDay);

    FillNodeTable(table, label, Source(), tree.Node(Find({"1999", "November"})));
    EXPECT_EQ(Column(table, 0), (Cells{"1", "2", "3"}));
    EXPECT_EQ(Column(table, 4), (Cells{"Monday", "Tuesday", "Wednesday"}));
    EXPECT_EQ(label, "Total:    Time: 0:00:20   Send: 200   Receive: 2,000");
}

TEST_F(DateTablesTest, AYearInsideTheRangeHasTwelveMonths)
{
    initial = At(1998, 11, 20);
    final = At(2000, 2, 10);
    BuildTree();
    FillNodeTable(table, label, Source(), tree.Node(Find({"1999"})));
    EXPECT_EQ(Column(table, 0), (Cells{"January", "February", "March", "April", "May", "Juny", "July", "August",
                                       "September", "October", "November", "December"}));
    EXPECT_EQ(testing::RowTexts(table, 9), (Cells{"October", "0:00:01", "1", "1"}));
    FillNodeTable(table, label, Source(), tree.Node(Find({"1998"})));
    EXPECT_EQ(Column(table, 0), (Cells{"November", "December"}));
    FillNodeTable(table, label, Source(), tree.Node(Find({"2000"})));
    EXPECT_EQ(Column(table, 0), (Cells{"January", "February"}));
}

TEST_F(DateTablesTest, RecordsFallIntoTheRowOfTheirCalendarDay)
{
    initial = At(1999, 12, 1);
    final = At(2000, 3, 1);
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(1999, 12, 31, 23, 59), 1, 1, 1});
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(2000, 1, 1, 0, 0), 2, 2, 2});
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(2000, 2, 29, 23, 59), 4, 4, 4});
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(2000, 3, 1, 0, 0), 8, 8, 8});
    BuildTree();
    FillNodeTable(table, label, Source(), tree.Node(Find({"1999"})));
    EXPECT_EQ(table.Rows.at(0).Cells, (Cells{"December", "0:00:01", "1", "1"}));
    FillNodeTable(table, label, Source(), tree.Node(Find({"2000"})));
    EXPECT_EQ(Column(table, 3), (Cells{"2", "4", "8"}));
    FillNodeTable(table, label, Source(), tree.Node(Find({"2000", "February"})));
    EXPECT_EQ(table.Rows.at(28).Cells, (Cells{"29", "0:00:04", "4", "4", "Tuesday"}));
    EXPECT_EQ(label, "Total:    Time: 0:00:04   Send: 4   Receive: 4");
    FillNodeTable(table, label, Source(), tree.Node(Find({"1999", "December"})));
    EXPECT_EQ(table.Rows.at(30).Cells, (Cells{"31", "0:00:01", "1", "1", "Friday"}));
    EXPECT_EQ(label, "Total:    Time: 0:00:01   Send: 1   Receive: 1");
}

TEST_F(DateTablesTest, FebruaryOf2000HasTwentyNineDaysStartingOnTuesday)
{
    initial = At(2000, 1, 1);
    final = At(2000, 3, 31);
    BuildTree();
    FillNodeTable(table, label, Source(), tree.Node(Find({"2000", "February"})));
    ASSERT_EQ(table.Rows.size(), 29u);
    EXPECT_EQ(testing::RowTexts(table, 0)[4], "Tuesday");
    for (int day = 1; day <= 29; ++day) {
        const auto& cells = table.Rows[static_cast<std::size_t>(day - 1)].Cells;
        EXPECT_EQ(cells[0], std::to_string(day));
        EXPECT_EQ(cells[4], QLocale::c().dayName(QDate(2000, 2, day).dayOfWeek()).toStdString());
    }
}

TEST_F(DateTablesTest, DayTableListsThatDaysConnectionsSortedByDate)
{
    Add(*stores, {"WORK", "bob", "SRV9", "VPN1-10", "64000", At(1999, 10, 20, 17, 45), 30, 3, 4});
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(1999, 10, 21, 0, 0), 1, 1, 1});
    Add(*stores, {"Local", "carl", "S1", "COM2", "9600", At(1999, 10, 20, 8, 15), 60, 1500, 2});
    Add(*stores, {"Local", "amy", "S1", "COM1", "9600", At(1999, 10, 20, 0, 0), 5, 5, 5});
    BuildTree();

    EXPECT_FALSE(FillNodeTable(table, label, Source(), tree.Node(Find({"1999", "October", "20"}))));
    ASSERT_EQ(table.Rows.size(), 3u);
    EXPECT_EQ(testing::RowTexts(table, 0), (Cells{"20 Oct 1999", "Local", "amy", "S1", "COM1", "0:00:05", "5", "5", "9600"}));
    EXPECT_EQ(testing::RowTexts(table, 1),
              (Cells{"20 Oct 1999 08:15", "Local", "carl", "S1", "COM2", "0:01:00", "1,500", "2", "9600"}));
    EXPECT_EQ(testing::RowTexts(table, 2),
              (Cells{"20 Oct 1999 17:45", "WORK", "bob", "SRV9", "VPN1-10", "0:00:30", "3", "4", "64000"}));
    EXPECT_EQ(table.Rows[2].Image, ImageConnection);
    EXPECT_EQ(label, "Total:    Time: 0:01:35   Send: 1,508   Receive: 11");
}

TEST_F(ReportTablesTest, ConnectionCellsReachServerPortAndDomainThroughTheSpeed)
{
    // A record whose user entry lies in one domain and whose speed entry in
    // another: the names of the connection are those of the speed's chain.
    const int r1 = Add(*stores, {"A", "amy", "SA", "PA", "1", At(1999, 10, 20, 1, 0), 1, 1, 1});
    const int r2 = Add(*stores, {"B", "bob", "SB", "PB", "2", At(1999, 10, 20, 2, 0), 1, 1, 1});
    ConnectionRecord mixed = stores->Connections[r1];
    mixed.SpeedIndex = stores->Connections[r2].SpeedIndex;
    mixed.DateTime = At(1999, 10, 20, 3, 0);
    stores->Connections.Append(mixed);

    FillUserTable(table, label, Source(), User("A", "amy"));
    ASSERT_EQ(table.Rows.size(), 2u);
    EXPECT_EQ(testing::RowTexts(table, 1), (Cells{"20 Oct 1999 03:00", "SB", "PB", "0:00:01", "1", "1", "2"}));

    BuildDateTree(tree, table, *stores, At(1999, 10, 20), At(1999, 10, 20));
    FillNodeTable(table, label, Source(), tree.Node(2));
    ASSERT_EQ(table.Rows.size(), 3u);
    EXPECT_EQ(testing::RowTexts(table, 2), (Cells{"20 Oct 1999 03:00", "B", "amy", "SB", "PB", "0:00:01", "1", "1", "2"}));
}

TEST_F(DateTablesTest, RemovedDuplicatesCountOnceInEveryTable)
{
    ClearStores(*stores);
    const Conn c{"Local", "amy", "S1", "COM1", "9600", At(1999, 10, 20, 10, 0), 100, 1000, 2000};
    Add(*stores, c);
    Add(*stores, c);
    Add(*stores, c);
    MarkRemoved(*stores, 0);
    MarkRemoved(*stores, 1);
    BuildTree();
    const Cells sums = {"0:01:40", "1,000", "2,000"};
    const std::string totals = "Total:    Time: 0:01:40   Send: 1,000   Receive: 2,000";
    auto sumsOf = [](const ReportRow& row) { return Cells(row.Cells.begin() + 1, row.Cells.begin() + 4); };

    FillDomainTable(table, label, Source(), Domain("Local"));
    ASSERT_EQ(table.Rows.size(), 1u);
    EXPECT_EQ(sumsOf(table.Rows[0]), sums);
    EXPECT_EQ(label, totals);
    FillServerTable(table, label, Source(), Server("Local", "S1"));
    EXPECT_EQ(sumsOf(table.Rows.at(0)), sums);
    FillPortTable(table, label, Source(), Port("Local", "S1", "COM1"));
    EXPECT_EQ(sumsOf(table.Rows.at(0)), sums);
    FillUserTable(table, label, Source(), User("Local", "amy"));
    EXPECT_EQ(table.Rows.size(), 1u);
    EXPECT_EQ(label, totals);
    FillSpeedTable(table, label, Source(), Speed("Local", "S1", "COM1", "9600"));
    EXPECT_EQ(table.Rows.size(), 1u);
    EXPECT_EQ(label, totals);
    FillNodeTable(table, label, Source(), tree.Node(Find({"1999"})));
    EXPECT_EQ(sumsOf(table.Rows.at(0)), sums);
    EXPECT_EQ(label, totals);
    FillNodeTable(table, label, Source(), tree.Node(Find({"1999", "October"})));
    EXPECT_EQ(sumsOf(table.Rows.at(5)), sums);  // the 20th
    EXPECT_EQ(label, totals);
    FillNodeTable(table, label, Source(), tree.Node(Find({"1999", "October", "20"})));
    EXPECT_EQ(table.Rows.size(), 1u);
    EXPECT_EQ(label, totals);
}

TEST_F(ReportTablesTest, LargeStoresAreCoveredWhole)
{
    for (int i = 0; i < 100000; ++i)
        Add(*stores, {"Local", i % 2 ? "amy" : "bob", "S1", "COM1", "9600", At(1999, 10, 15) + (i % 1440) / 1440.0, 1,
                      1000, 1});
    FillUserTable(table, label, Source(), User("Local", "amy"));
    EXPECT_EQ(table.Rows.size(), 50000u);
    EXPECT_EQ(label, "Total:    Time: 13:53:20   Send: 50,000,000   Receive: 50,000");
    FillDomainTable(table, label, Source(), Domain("Local"));
    EXPECT_EQ(Column(table, 2), (Cells{"50,000,000", "50,000,000"}));
    EXPECT_EQ(label, "Total:    Time: 27:46:40   Send: 100,000,000   Receive: 100,000");
}

}  // namespace
}  // namespace vy
