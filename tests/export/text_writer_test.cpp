#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "export/export_fixtures.h"
#include "export/report_writers.h"
#include "reports/date_text.h"
#include "reports/list_sort.h"

namespace vy {
namespace {

using testing::DomainTable;
using testing::TableOf;

std::vector<std::string> LinesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", from);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(from));
            break;
        }
        lines.push_back(bytes.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

TEST(TextReport, DomainTableBytes)
{
    EXPECT_EQ(TextReport(DomainTable()),
              "User;Time;Send;Receive;\r\n"
              "alice;1:02:03;12,345;67,890;\r\n"
              "bob;0:00:59;999;1,000;\r\n");
}

TEST(TextReport, EveryLineHoldsOneSeparatorPerColumn)
{
    // A day table: nine columns, titles with blanks, an empty cell.
    ReportTable t = TableOf({"Date", "Domain", "User", "Server", "Port", "Time", "Send", "Receive", "Speed"},
                            {{"5 Oct 1998 09:30", "Local", "alice", "SRV1", "COM1", "0:10:00", "1,000", "2,000", "28800"},
                             {"5 Oct 1998 10:30", "", "bob", "SRV1", "COM2", "0:00:01", "0", "0", "9600"}},
                            0);
    const std::string out = TextReport(t);
    const auto lines = LinesOf(out);
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ';'), 9) << line;
        EXPECT_EQ(line.back(), ';');
    }
    EXPECT_EQ(lines[2], "5 Oct 1998 10:30;;bob;SRV1;COM2;0:00:01;0;0;9600;");
    // Every line ends in CR LF, the last included, and there is nothing else.
    EXPECT_EQ(out.substr(out.size() - 2), "\r\n");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\r'), 3);
}

TEST(TextReport, RowsInShownOrderAndCellsUnchanged)
{
    // Shown sorted descending by Time; a name with the separator itself and
    // bytes above 127 go out as they are.
    ReportTable t = TableOf({"User", "Time", "Send", "Receive"},
                            {{"zo\xeb", "10:00:00", "3,000,000,000", "1"},
                             {"a;b", "9:59:59", "0", "0"},
                             {" padded ", "0:00:00", "0", "0"}});
    EXPECT_EQ(TextReport(t),
              "User;Time;Send;Receive;\r\n"
              "zo\xeb;10:00:00;3,000,000,000;1;\r\n"
              "a;b;9:59:59;0;0;\r\n"
              " padded ;0:00:00;0;0;\r\n");
}

TEST(TextReport, HeaderOnlyAndNarrowTables)
{
    EXPECT_EQ(TextReport(TableOf({"Port", "Time", "Send", "Receive"}, {})), "Port;Time;Send;Receive;\r\n");
    // No columns: one empty line, whatever rows there are.
    EXPECT_EQ(TextReport(ReportTable{}), "\r\n");
    EXPECT_EQ(TextReport(TableOf({}, {{"stray"}})), "\r\n");
    // One column.
    EXPECT_EQ(TextReport(TableOf({"User"}, {{"alice"}, {"bob"}})), "User;\r\nalice;\r\nbob;\r\n");
    // Rows with missing or surplus cells keep the column count.
    EXPECT_EQ(TextReport(TableOf({"A", "B", "C"}, {{"x"}, {"1", "2", "3", "4"}})), "A;B;C;\r\nx;;;\r\n1;2;3;\r\n");
}

TEST(TextReport, ATableSortedOnScreenIsSavedSorted)
{
    ReportTable t = TableOf({"User", "Time", "Send", "Receive"}, {{"alice", "9:59:59", "1,000", "5"},
                                                                  {"bob", "10:00:00", "999", "6"},
                                                                  {"carol", "0:00:01", "3,000,000,000", "7"}});
    t.Columns[1].Kind = ColumnKind::Duration;
    t.Rows[0].Values = {35999, 1000, 5};
    t.Rows[1].Values = {36000, 999, 6};
    t.Rows[2].Values = {1, 3'000'000'000, 7};
    ASSERT_EQ(SortList(t, 1, ColumnKind::Duration, 0), std::nullopt);
    EXPECT_EQ(TextReport(t),
              "User;Time;Send;Receive;\r\n"
              "bob;10:00:00;999;6;\r\n"
              "alice;9:59:59;1,000;5;\r\n"
              "carol;0:00:01;3,000,000,000;7;\r\n");
    ASSERT_EQ(SortList(t, 2, ColumnKind::Sent, 1), std::nullopt);
    const std::string html = HtmlReport(t, HtmlHeadings{});
    const std::size_t bob = html.find("<TR><TD>bob</TD>");
    const std::size_t alice = html.find("<TR><TD>alice</TD>");
    const std::size_t carol = html.find("<TR><TD>carol</TD>");
    ASSERT_NE(carol, std::string::npos);
    EXPECT_LT(bob, alice);
    EXPECT_LT(alice, carol);
}

}  // namespace
}  // namespace vy
