#include <gtest/gtest.h>

#include "support/fixtures.h"

#include "export/report_writers.h"

namespace vy {
namespace {

TEST(TreeReport, DisplayOrderWithLevelsAndImages)
{
    ReportTree tree;
    const int dom = tree.AddRoot("DOM", ImageDomain);
    tree.AddChildLast(dom, "alice", ImageUser);
    const int srv = testing::AddChildFirst(tree, dom, "SRV1", ImageServer);  // servers stand before users
    const int port = tree.AddChildLast(srv, "COM1", ImagePort);
    tree.AddChildLast(port, "28800", ImageSpeed);
    const int local = tree.AddRoot("Local", ImageDomain);
    tree.AddChildLast(local, "bob & <x>", ImageUser);
    EXPECT_EQ(TreeReport(tree),
              "1 DOM\r\n"
              "  3 SRV1\r\n"
              "    4 COM1\r\n"
              "      5 28800\r\n"
              "  2 alice\r\n"
              "1 Local\r\n"
              "  2 bob & <x>\r\n");
}

TEST(TreeReport, EmptyTreeAndDeepDateTree)
{
    EXPECT_EQ(TreeReport(ReportTree{}), "");
    ReportTree tree;
    const int year = tree.AddRoot("1998", ImageYear);
    const int month = tree.AddChildLast(year, "December", ImageMonth);
    tree.AddChildLast(month, "30", ImageDay);
    tree.AddChildLast(month, "31", ImageDay);
    const int next = tree.AddRoot("1999", ImageYear);
    tree.AddChildLast(tree.AddChildLast(next, "January", ImageMonth), "1", ImageDay);
    EXPECT_EQ(TreeReport(tree), "6 1998\r\n  7 December\r\n    8 30\r\n    8 31\r\n6 1999\r\n  7 January\r\n    8 1\r\n");
}

}  // namespace
}  // namespace vy
