#include <gtest/gtest.h>

#include <QLocale>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "reports/report_tree_builder.h"
#include "store/date_value.h"
#include "support/fixtures.h"

namespace vy {
namespace {

// A connection of the given names, at 10 October 1999 noon.
void AddLine(Stores& stores, const testing::Connection& names)
{
    testing::Connection c = names;
    c.When = 36448.5;
    c.Time = 60;
    ASSERT_GE(testing::Add(stores, c), 0);
}

std::vector<std::string> ChildTexts(const ReportTree& tree, int node)
{
    std::vector<std::string> texts;
    for (const int c : tree.Node(node).Children)
        texts.push_back(tree.Node(c).Text);
    return texts;
}

std::vector<std::string> RootTexts(const ReportTree& tree)
{
    std::vector<std::string> texts;
    for (const int r : tree.Roots())
        texts.push_back(tree.Node(r).Text);
    return texts;
}

int ChildNamed(const ReportTree& tree, int node, const std::string& text)
{
    for (const int c : tree.Node(node).Children)
        if (tree.Node(c).Text == text)
            return c;
    return -1;
}

double Day(int y, int m, int d) { return EncodeDate(y, m, d).value(); }

class UsersTreeTest : public ::testing::Test {
protected:
    std::unique_ptr<Stores> stores = std::make_unique<Stores>();
    ReportTree tree;
    ReportTable table;
};

TEST_F(UsersTreeTest, OneDomainIsExpandedWithServersLastFoundFirstThenUsersAlphabetical)
{
    AddLine(*stores, {"Local", "carol", "SRV1", "COM1", "9600"});
    AddLine(*stores, {"Local", "alice", "SRV2", "COM1", "9600"});
    AddLine(*stores, {"Local", "bob", "SRV3", "COM1", "9600"});
    AddLine(*stores, {"Local", "alice", "SRV1", "COM1", "9600"});

    ASSERT_TRUE(BuildUsersTree(tree, table, *stores, false));
    ASSERT_EQ(tree.Roots().size(), 1u);
    const int root = tree.FirstRoot();
    EXPECT_EQ(tree.Node(root).Text, "Local");
    EXPECT_EQ(tree.Node(root).Image, ImageDomain);
    EXPECT_TRUE(tree.Node(root).Expanded);
    EXPECT_EQ(ChildTexts(tree, root), (std::vector<std::string>{"SRV3", "SRV2", "SRV1", "alice", "bob", "carol"}));
    const std::vector<int> expectedImages = {ImageServer, ImageServer, ImageServer, ImageUser, ImageUser, ImageUser};
    for (std::size_t i = 0; i < expectedImages.size(); ++i)
        EXPECT_EQ(tree.Node(tree.Node(root).Children[i]).Image, expectedImages[i]) << i;
    // Only the one level is expanded.
    EXPECT_FALSE(tree.Node(ChildNamed(tree, root, "SRV1")).Expanded);
}

TEST_F(UsersTreeTest, TwoDomainsStayCollapsedInFirstMetOrder)
{
    AddLine(*stores, {"WORK", "zed", "S1", "COM1", "9600"});
    AddLine(*stores, {"Local", "amy", "S1", "COM1", "9600"});
    AddLine(*stores, {"WORK", "amy", "S2", "COM1", "9600"});

    BuildUsersTree(tree, table, *stores, false);
    EXPECT_EQ(RootTexts(tree), (std::vector<std::string>{"WORK", "Local"}));
    for (const int r : tree.Roots())
        EXPECT_FALSE(tree.Node(r).Expanded);
    // Each domain holds only its own servers and users.
    EXPECT_EQ(ChildTexts(tree, tree.Roots()[0]), (std::vector<std::string>{"S2", "S1", "amy", "zed"}));
    EXPECT_EQ(ChildTexts(tree, tree.Roots()[1]), (std::vector<std::string>{"S1", "amy"}));
}

TEST_F(UsersTreeTest, PortsAndSpeedsAreOrderedByTheirNumbers)
{
    for (const char* port : {"COM2", "COM10", "COM1"})
        AddLine(*stores, {"Local", "u", "SRV1", port, "9600"});
    for (const char* speed : {"115200", "28800"})
        AddLine(*stores, {"Local", "u", "SRV1", "COM1", speed});

    BuildUsersTree(tree, table, *stores, false);
    const int server = ChildNamed(tree, tree.FirstRoot(), "SRV1");
    ASSERT_GE(server, 0);
    EXPECT_EQ(ChildTexts(tree, server), (std::vector<std::string>{"COM1", "COM2", "COM10"}));
    const int com1 = ChildNamed(tree, server, "COM1");
    EXPECT_EQ(tree.Node(com1).Image, ImagePort);
    EXPECT_EQ(ChildTexts(tree, com1), (std::vector<std::string>{"9600", "28800", "115200"}));
    EXPECT_EQ(tree.Node(tree.Node(com1).Children[0]).Image, ImageSpeed);
}

TEST_F(UsersTreeTest, EqualNumbersKeepTableOrderAndNamesWithoutNumberComeFirst)
{
    // VPN1-10 and X110 both give 110; ISDN has no digit and counts as 0.
    for (const char* port : {"VPN1-10", "COM5", "X110", "ISDN"})
        AddLine(*stores, {"Local", "u", "SRV1", port, "9600"});
    for (const char* speed : {"fast", "99999999999999999999", "300", " 1200"})
        AddLine(*stores, {"Local", "u", "SRV1", "COM5", speed});

    BuildUsersTree(tree, table, *stores, false);
    const int server = ChildNamed(tree, tree.FirstRoot(), "SRV1");
    EXPECT_EQ(ChildTexts(tree, server), (std::vector<std::string>{"ISDN", "COM5", "VPN1-10", "X110"}));
    const int com5 = ChildNamed(tree, server, "COM5");
    EXPECT_EQ(ChildTexts(tree, com5), (std::vector<std::string>{"fast", "99999999999999999999", "300", " 1200", "9600"}));
}

TEST_F(UsersTreeTest, EmptyStoresLeaveTreeAndTableAsTheyWere)
{
    tree.AddRoot("1999", ImageYear);
    table.Columns.push_back({"Month", 100, Alignment::Left});
    table.Rows.push_back({{"January"}, ImageMonth});

    EXPECT_FALSE(BuildUsersTree(tree, table, *stores, false));
    EXPECT_EQ(RootTexts(tree), (std::vector<std::string>{"1999"}));
    EXPECT_EQ(table.Columns.size(), 1u);
    EXPECT_EQ(table.Rows.size(), 1u);
}

TEST_F(UsersTreeTest, RebuildingClearsTheOldTreeAndTheWholeTable)
{
    AddLine(*stores, {"Local", "amy", "S1", "COM1", "9600"});
    tree.AddRoot("1999", ImageYear);
    table.Columns.push_back({"Month", 100, Alignment::Left});
    table.Rows.push_back({{"January"}, ImageMonth});

    BuildUsersTree(tree, table, *stores, false);
    EXPECT_EQ(RootTexts(tree), (std::vector<std::string>{"Local"}));
    EXPECT_TRUE(table.Columns.empty());
    EXPECT_TRUE(table.Rows.empty());
    EXPECT_EQ(stores->Connections.Count(), 1);
}

TEST_F(UsersTreeTest, AStoppedScanEmptiesTheStoresAndShowsNothing)
{
    AddLine(*stores, {"Local", "amy", "S1", "COM1", "9600"});
    EXPECT_TRUE(BuildUsersTree(tree, table, *stores, true));
    EXPECT_TRUE(tree.Empty());
    EXPECT_EQ(stores->Connections.Count(), 0);
    EXPECT_EQ(stores->Names.Count(), 0);
    // With the stores empty a second build changes nothing.
    tree.AddRoot("kept", ImageDomain);
    EXPECT_FALSE(BuildUsersTree(tree, table, *stores, true));
    EXPECT_EQ(tree.Count(), 1);
}

TEST_F(UsersTreeTest, ManyUsersAreSortedAndEveryEntryAppearsOnce)
{
    // Names added in a scrambled order come out sorted, each under its domain.
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        const int k = (i * 7919) % 300;
        AddLine(*stores, {"D", "user" + std::to_string(1000 + k), "S" + std::to_string(k % 5), "COM1", "9600"});
    }
    for (int k = 0; k < 300; ++k)
        expected.push_back("user" + std::to_string(1000 + k));
    BuildUsersTree(tree, table, *stores, false);
    std::vector<std::string> users;
    for (const int c : tree.Node(tree.FirstRoot()).Children)
        if (tree.Node(c).Image == ImageUser)
            users.push_back(tree.Node(c).Text);
    EXPECT_EQ(users, expected);
    // Servers stand in reverse order of first meeting.
    std::vector<std::string> servers;
    for (const int c : tree.Node(tree.FirstRoot()).Children)
        if (tree.Node(c).Image == ImageServer)
            servers.push_back(tree.Node(c).Text);
    ASSERT_EQ(servers.size(), 5u);
    std::vector<std::string> tableOrder;
    for (int i = 0; i < stores->Names.Count(); ++i)
        if (stores->Names[i].Kind == KindServer)
            tableOrder.insert(tableOrder.begin(), stores->Names[i].Name);
    EXPECT_EQ(servers, tableOrder);
    EXPECT_EQ(tree.Count(), 1 + 300 + 5 * (1 + 1 + 1));
}

TEST(NumberForOrderTest, PortsCountTheirDigitsAndSpeedsMustBeWholeIntegers)
{
    EXPECT_EQ(NumberForOrder("COM12", "Port"), 12);
    EXPECT_EQ(NumberForOrder("VPN1-10", "Port"), 110);
    EXPECT_EQ(NumberForOrder("ISDN", "Port"), 0);
    EXPECT_EQ(NumberForOrder("COM9223372036854775807", "Port"), 9223372036854775807LL);
    EXPECT_EQ(NumberForOrder("COM9223372036854775808", "Port"), 0);
    EXPECT_EQ(NumberForOrder("9600", "Speed"), 9600);
    EXPECT_EQ(NumberForOrder("  28800", "Speed"), 28800);
    EXPECT_EQ(NumberForOrder("-5", "Speed"), -5);
    EXPECT_EQ(NumberForOrder("+7", "Speed"), 7);
    EXPECT_EQ(NumberForOrder("-9223372036854775808", "Speed"), std::numeric_limits<long long>::min());
    EXPECT_EQ(NumberForOrder("9223372036854775808", "Speed"), 0);
    EXPECT_EQ(NumberForOrder("9600 ", "Speed"), 0);
    EXPECT_EQ(NumberForOrder("96k", "Speed"), 0);
    EXPECT_EQ(NumberForOrder("-", "Speed"), 0);
    EXPECT_EQ(NumberForOrder("", "Speed"), 0);
    EXPECT_EQ(NumberForOrder("COM3", "Speed"), 0);
    EXPECT_EQ(NumberForOrder("12", "Text"), 0);
}


class DateTreeTest : public UsersTreeTest {
protected:
    void SetUp() override { AddLine(*stores, {"Local", "amy", "S1", "COM1", "9600"}); }
};

TEST_F(DateTreeTest, RangeAcrossNewYearGivesTwoYears)
{
    ASSERT_TRUE(BuildDateTree(tree, table, *stores, Day(1998, 12, 30), Day(1999, 1, 2)));
    EXPECT_EQ(RootTexts(tree), (std::vector<std::string>{"1998", "1999"}));
    const int y1998 = tree.Roots()[0];
    const int y1999 = tree.Roots()[1];
    EXPECT_EQ(tree.Node(y1998).Image, ImageYear);
    EXPECT_EQ(ChildTexts(tree, y1998), (std::vector<std::string>{"December"}));
    EXPECT_EQ(ChildTexts(tree, y1999), (std::vector<std::string>{"January"}));
    const int december = tree.Node(y1998).Children[0];
    const int january = tree.Node(y1999).Children[0];
    EXPECT_EQ(tree.Node(december).Image, ImageMonth);
    EXPECT_EQ(ChildTexts(tree, december), (std::vector<std::string>{"30", "31"}));
    EXPECT_EQ(ChildTexts(tree, january), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(tree.Node(tree.Node(january).Children[0]).Image, ImageDay);
    EXPECT_EQ(tree.Count(), 2 + 2 + 4);
    EXPECT_FALSE(tree.Node(y1998).Expanded);
}

TEST_F(DateTreeTest, AWholeYearNamesItsMonthsInEnglishWithJuneAsJuny)
{
    ASSERT_TRUE(BuildDateTree(tree, table, *stores, Day(1999, 1, 1), Day(1999, 12, 31)));
    std::vector<std::string> expected;
    for (int m = 1; m <= 12; ++m)
        expected.push_back(m == 6 ? "Juny" : QLocale::c().monthName(m).toStdString());
    EXPECT_EQ(ChildTexts(tree, tree.Roots()[0]), expected);
}

TEST_F(DateTreeTest, OneDayRangeGivesOneNodeOfEachLevel)
{
    BuildDateTree(tree, table, *stores, Day(2000, 6, 5), Day(2000, 6, 5));
    ASSERT_EQ(tree.Count(), 3);
    EXPECT_EQ(tree.Node(0).Text, "2000");
    EXPECT_EQ(tree.Node(1).Text, "Juny");
    EXPECT_EQ(tree.Node(2).Text, "5");
    EXPECT_EQ(tree.Node(2).Parent, 1);
}

TEST_F(DateTreeTest, EveryDayOfALongRangeGetsANode)
{
    BuildDateTree(tree, table, *stores, Day(1999, 1, 1), Day(2000, 12, 31));
    int days = 0;
    for (int n = 0; n < tree.Count(); ++n)
        days += tree.Node(n).Image == ImageDay;
    EXPECT_EQ(days, 365 + 366);
    const int february2000 = tree.Node(tree.Roots()[1]).Children[1];
    EXPECT_EQ(tree.Node(february2000).Text, "February");
    EXPECT_EQ(tree.Node(february2000).Children.size(), 29u);
}

TEST_F(DateTreeTest, FinalBeforeInitialGivesAnEmptyTreeAndClearsTheTable)
{
    tree.AddRoot("old", ImageDomain);
    table.Columns.push_back({"User", 100, Alignment::Left});
    EXPECT_TRUE(BuildDateTree(tree, table, *stores, Day(1999, 1, 2), Day(1999, 1, 1)));
    EXPECT_TRUE(tree.Empty());
    EXPECT_TRUE(table.Columns.empty());
}

TEST_F(DateTreeTest, DaysAreRoundedToTheNearestWholeDay)
{
    BuildDateTree(tree, table, *stores, Day(1999, 1, 1) + 0.75, Day(1999, 1, 3) + 0.25);
    EXPECT_EQ(ChildTexts(tree, tree.Node(tree.FirstRoot()).Children[0]), (std::vector<std::string>{"2", "3"}));
}

TEST_F(DateTreeTest, NothingHappensWhenBothStoresAreEmpty)
{
    ClearStores(*stores);
    tree.AddRoot("Local", ImageDomain);
    EXPECT_FALSE(BuildDateTree(tree, table, *stores, Day(1999, 1, 1), Day(1999, 1, 2)));
    EXPECT_EQ(RootTexts(tree), (std::vector<std::string>{"Local"}));
}

}  // namespace
}  // namespace vy
