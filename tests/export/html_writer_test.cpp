#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "export/export_fixtures.h"
#include "export/report_writers.h"

namespace vy {
namespace {

using testing::DomainTable;
using testing::TableOf;

const std::string kTotals = "Total:    Time: 1:03:02   Send: 13,344   Receive: 68,890";

HtmlHeadings Headings()
{
    return {kTotals, "Local", "31 Oct 1998", "1 Oct 1998", "7 Dec 2026 09:05"};
}

std::vector<std::string> LinesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", from);
        EXPECT_NE(end, std::string::npos) << "unterminated last line";
        if (end == std::string::npos)
            break;
        lines.push_back(bytes.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

TEST(HtmlReport, DomainTablePage)
{
    EXPECT_EQ(HtmlReport(DomainTable(), Headings()),
              "<HTML>\r\n"
              "<HEAD>\r\n"
              "<TITLE>Report</TITLE>\r\n"
              "</HEAD>\r\n"
              "<BODY BGCOLOR=\"#FFFFFF\">\r\n"
              "<CENTER><H3><U></U></H3></CENTER>\r\n"
              "<CENTER><H4>1 Oct 1998 - 31 Oct 1998</H4></CENTER><BR>\r\n"
              "<CENTER><H4>Local</H4></CENTER><BR>\r\n"
              "<CENTER><TABLE BORDER=\"0\" WIDTH=\"100%\"><TR><TD ALIGN=\"RIGHT\" VALIGN=\"BOTTOM\">"
              "<H6>Report created 7 Dec 2026 09:05.</H6></TD></TR></TABLE></CENTER>\r\n"
              "<CENTER><TABLE BORDER=\"1\" WIDTH=\"100%\"><TR>\r\n"
              "<TD BGCOLOR=\"#C0C0C0\"><B>User</B></TD><TD BGCOLOR=\"#C0C0C0\"><B>Time</B></TD>"
              "<TD BGCOLOR=\"#C0C0C0\"><B>Send</B></TD><TD BGCOLOR=\"#C0C0C0\"><B>Receive</B></TD></TR>\r\n"
              "<TR><TD>alice</TD><TD>1:02:03</TD><TD>12,345</TD><TD>67,890</TD></TR>\r\n"
              "<TR><TD>bob</TD><TD>0:00:59</TD><TD>999</TD><TD>1,000</TD></TR>\r\n"
              "</TABLE>\r\n"
              "<BR>\r\n"
              "<TABLE BORDER=\"0\" WIDTH=\"100%\"><TR>\r\n"
              "<TD WIDTH=\"25%\"><B><I>Total:  </I></B></TD>\r\n"
              "<TD WIDTH=\"25%\"><B><I>   Time: 1:03:02</I></B></TD>\r\n"
              "<TD WIDTH=\"25%\"><B><I>   Send: 13,344</I></B></TD>\r\n"
              "<TD WIDTH=\"25%\"><B><I>   Receive: 68,890</I></B></TD>\r\n"
              "</TR></TABLE></CENTER>\r\n"
              "<BR>\r\n"
              "<CENTER><H6>Created by Vy 3, (C) Quillmar</H6></CENTER>\r\n"
              "<BR>\r\n"
              "</BODY>\r\n"
              "</HTML>\r\n");
}

TEST(HtmlReport, OneLinePerRowWithOneCellPerColumn)
{
    const std::vector<std::string> titles{"Day", "Time", "Send", "Receive", "Day of Week"};
    std::vector<std::vector<std::string>> rows;
    for (int d = 31; d >= 1; --d)  // shown sorted descending
        rows.push_back({std::to_string(d), "0:00:00", "0", "0", "Monday"});
    const auto lines = LinesOf(HtmlReport(TableOf(titles, rows, 8), Headings()));
    // 24 fixed lines plus one per row.
    ASSERT_EQ(lines.size(), 24u + rows.size());
    const std::string& titleRow = lines[10];
    EXPECT_EQ(titleRow.substr(titleRow.size() - 5), "</TR>");
    std::size_t grey = 0;
    for (std::size_t p = 0; (p = titleRow.find("BGCOLOR=\"#C0C0C0\"", p)) != std::string::npos; ++p)
        ++grey;
    EXPECT_EQ(grey, 5u);
    EXPECT_NE(titleRow.find("<B>Day of Week</B>"), std::string::npos);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string& line = lines[11 + r];
        EXPECT_EQ(line.rfind("<TR><TD>" + std::to_string(31 - r) + "</TD>", 0), 0u) << line;
        std::size_t cells = 0;
        for (std::size_t p = 0; (p = line.find("<TD>", p)) != std::string::npos; ++p)
            ++cells;
        EXPECT_EQ(cells, 5u) << line;
        EXPECT_EQ(line.substr(line.size() - 10), "</TD></TR>");
    }
    EXPECT_EQ(lines[11 + rows.size()], "</TABLE>");
}

TEST(HtmlReport, NarrowTables)
{
    const auto one = LinesOf(HtmlReport(TableOf({"User"}, {{"alice"}}), Headings()));
    ASSERT_EQ(one.size(), 25u);
    EXPECT_EQ(one[10], "<TD BGCOLOR=\"#C0C0C0\"><B>User</B></TD></TR>");
    EXPECT_EQ(one[11], "<TR><TD>alice</TD></TR>");

    const auto two = LinesOf(HtmlReport(TableOf({"A", "B"}, {{"x", "y"}}), Headings()));
    EXPECT_EQ(two[11], "<TR><TD>x</TD><TD>y</TD></TR>");

    // No columns: the title row only closes its row and no data row follows.
    const auto none = LinesOf(HtmlReport(TableOf({}, {{"stray"}}), HtmlHeadings{}));
    ASSERT_EQ(none.size(), 24u);
    EXPECT_EQ(none[10], "</TR>");
    EXPECT_EQ(none[11], "</TABLE>");
    for (int i = 14; i < 18; ++i)
        EXPECT_EQ(none[i], "<TD WIDTH=\"25%\"><B><I></I></B></TD>");

    // Rows with missing cells still give a cell per column.
    const auto ragged = LinesOf(HtmlReport(TableOf({"A", "B", "C"}, {{"x"}}), Headings()));
    EXPECT_EQ(ragged[11], "<TR><TD>x</TD><TD></TD><TD></TD></TR>");
}

TEST(HtmlReport, EscapesEveryText)
{
    ReportTable t = TableOf({"User", "<Time>"},
                            {{"<script>alert(\"x\")</script>", "1:00:00"}, {"Smith & Sons", "0:00:01"}});
    HtmlHeadings h{"Total:    Time: <b>   Send: &   Receive: \"", "Dom&Co \\ <script>", "2<3", "a\"b", "x>y"};
    const std::string page = HtmlReport(t, h);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_EQ(page.find("<Time>"), std::string::npos);
    const auto lines = LinesOf(page);
    EXPECT_EQ(lines[6], "<CENTER><H4>a&quot;b - 2&lt;3</H4></CENTER><BR>");
    EXPECT_EQ(lines[7], "<CENTER><H4>Dom&amp;Co \\ &lt;script&gt;</H4></CENTER><BR>");
    EXPECT_NE(lines[8].find("Report created x&gt;y.</H6>"), std::string::npos);
    EXPECT_NE(lines[10].find("<B>&lt;Time&gt;</B>"), std::string::npos);
    EXPECT_EQ(lines[16], "<TD WIDTH=\"25%\"><B><I>Total:  </I></B></TD>");
    EXPECT_EQ(lines[11], "<TR><TD>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;</TD><TD>1:00:00</TD></TR>");
    EXPECT_EQ(lines[12], "<TR><TD>Smith &amp; Sons</TD><TD>0:00:01</TD></TR>");
    EXPECT_EQ(lines[17], "<TD WIDTH=\"25%\"><B><I>   Time: &lt;b&gt;</I></B></TD>");
    EXPECT_EQ(lines[18], "<TD WIDTH=\"25%\"><B><I>   Send: &amp;</I></B></TD>");
    EXPECT_EQ(lines[19], "<TD WIDTH=\"25%\"><B><I>   Receive: &quot;</I></B></TD>");
}

TEST(HtmlEscape, ReferencesAndPassThrough)
{
    EXPECT_EQ(HtmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e'f");
    EXPECT_EQ(HtmlEscape("&amp;"), "&amp;amp;");  // no double-decoding guesswork
    EXPECT_EQ(HtmlEscape("caf\xe9 \\ 28800"), "caf\xe9 \\ 28800");
    EXPECT_EQ(HtmlEscape(""), "");
}

TEST(SplitTotals, TotalsLineGivesFourPieces)
{
    const auto p = SplitTotals("Total:    Time: 0:00:00   Send: 0   Receive: 67,890");
    EXPECT_EQ(p[0], "Total:  ");  // ends at the blank at position 8
    EXPECT_EQ(p[1], "   Time: 0:00:00");  // which begins piece 2 as well
    EXPECT_EQ(p[2], "   Send: 0");
    EXPECT_EQ(p[3], "   Receive: 67,890");
    const auto big = SplitTotals("Total:    Time: 123:45:06   Send: 3,000,000,000   Receive: 1234,567,890,123");
    EXPECT_EQ(big[1], "   Time: 123:45:06");
    EXPECT_EQ(big[2], "   Send: 3,000,000,000");
    EXPECT_EQ(big[3], "   Receive: 1234,567,890,123");
}

TEST(SplitTotals, ShortTextsNeverFail)
{
    EXPECT_EQ(SplitTotals(""), (std::array<std::string, 4>{"", "", "", ""}));
    EXPECT_EQ(SplitTotals("Local"), (std::array<std::string, 4>{"Local", "", "", ""}));
    // One run of three blanks is only the first occurrence.
    EXPECT_EQ(SplitTotals("a   b"), (std::array<std::string, 4>{"a   b", "", "", ""}));
    // Four blanks: the second occurrence starts at the second blank.
    EXPECT_EQ(SplitTotals("a    b"), (std::array<std::string, 4>{"a  ", "   b", "", ""}));
    // Five blanks give three overlapping occurrences.
    EXPECT_EQ(SplitTotals("a     b"), (std::array<std::string, 4>{"a  ", " ", "   b", ""}));
}

}  // namespace
}  // namespace vy
