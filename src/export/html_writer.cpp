#include "export/report_writers.h"

namespace vy {

namespace {


class Page {
public:
    // Pieces are written as they are; Text() escapes.
    Page& Raw(std::string_view markup) { out_ += markup; return *this; }
    Page& Text(std::string_view text)
    {
        AppendEscaped(out_, text);
        return *this;
    }
    Page& End() { out_ += ReportLineEnd; return *this; }
    Page& Line(std::string_view markup) { return Raw(markup).End(); }
    std::string Take() { return std::move(out_); }
    void Reserve(std::size_t n) { out_.reserve(n); }

    static void AppendEscaped(std::string& out, std::string_view text)
    {
        for (char ch : text) {
            switch (ch) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += ch; break;
            }
        }
    }

private:
    std::string out_;
};

}  // namespace

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    Page::AppendEscaped(out, text);
    return out;
}

std::array<std::string, 4> SplitTotals(std::string_view totals)
{
    // Positions are 0-based here; npos-like values stand for the end.
    const std::size_t len = totals.size();
    std::array<std::size_t, 4> at{len, len, len, len};
    std::size_t from = 0;
    for (std::size_t n = 0; n < at.size(); ++n) {
        const std::size_t p = totals.find("   ", from);
        if (p == std::string_view::npos)
            break;
        at[n] = p;
        from = p + 1;  // overlapping occurrences count
    }
    const std::size_t a = at[1], b = at[2], c = at[3];
    std::array<std::string, 4> pieces;
    pieces[0] = std::string(totals.substr(0, a < len ? a + 1 : len));
    pieces[1] = std::string(totals.substr(a, b - a));
    pieces[2] = std::string(totals.substr(b, c - b));
    pieces[3] = std::string(totals.substr(c));
    return pieces;
}

std::string HtmlReport(const ReportTable& table, const HtmlHeadings& headings)
{
    const std::size_t k = table.Columns.size();
    Page page;
    // Cells average well under 16 characters.
    page.Reserve(2048 + table.Rows.size() * (24 + 25 * k));

    page.Line("<HTML>").Line("<HEAD>").Line("<TITLE>Report</TITLE>").Line("</HEAD>");
    page.Line("<BODY BGCOLOR=\"#FFFFFF\">");
    page.Line("<CENTER><H3><U></U></H3></CENTER>");
    page.Raw("<CENTER><H4>").Text(headings.InitialDate).Raw(" - ").Text(headings.FinalDate)
        .Raw("</H4></CENTER><BR>").End();
    page.Raw("<CENTER><H4>").Text(headings.Selection).Raw("</H4></CENTER><BR>").End();
    page.Raw("<CENTER><TABLE BORDER=\"0\" WIDTH=\"100%\"><TR><TD ALIGN=\"RIGHT\" VALIGN=\"BOTTOM\"><H6>Report created ")
        .Text(headings.Created)
        .Raw(".</H6></TD></TR></TABLE></CENTER>")
        .End();
    page.Line("<CENTER><TABLE BORDER=\"1\" WIDTH=\"100%\"><TR>");

    // Title row on one line; without columns it only closes the row opened
    // above.
    for (const ReportColumn& column : table.Columns)
        page.Raw("<TD BGCOLOR=\"#C0C0C0\"><B>").Text(column.Caption).Raw("</B></TD>");
    page.Raw("</TR>").End();

    if (k > 0) {
        std::string buffer;
        for (const ReportRow& row : table.Rows) {
            page.Raw("<TR>");
            for (std::size_t c = 0; c < k; ++c)
                page.Raw("<TD>").Text(CellText(table, row, c, buffer)).Raw("</TD>");
            page.Raw("</TR>").End();
        }
    }

    page.Line("</TABLE>").Line("<BR>").Line("<TABLE BORDER=\"0\" WIDTH=\"100%\"><TR>");
    for (const std::string& piece : SplitTotals(headings.Totals))
        page.Raw("<TD WIDTH=\"25%\"><B><I>").Text(piece).Raw("</I></B></TD>").End();
    page.Line("</TR></TABLE></CENTER>").Line("<BR>");
    page.Raw("<CENTER><H6>").Text(HtmlFooterNotice).Raw("</H6></CENTER>").End();
    page.Line("<BR>").Line("</BODY>").Line("</HTML>");
    return page.Take();
}

}  // namespace vy
