#include "export/data_text.h"
#include "export/report_writers.h"

#include <vector>

namespace vy {

namespace {

// How a column's cells are written: the numbers behind the Time, Send,
// Receive and Date cells, integers in the Day and Speed cells, or text.
enum class CellForm { Text, Integer, Seconds, Sent, Received, DateTime };

CellForm FormOf(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Duration: return CellForm::Seconds;
    case ColumnKind::Sent: return CellForm::Sent;
    case ColumnKind::Received: return CellForm::Received;
    case ColumnKind::DateTime: return CellForm::DateTime;
    case ColumnKind::Day:
    case ColumnKind::Speed: return CellForm::Integer;
    default: return CellForm::Text;
    }
}

std::vector<CellForm> FormsOf(const ReportTable& table)
{
    std::vector<CellForm> forms;
    for (const ReportColumn& column : table.Columns)
        forms.push_back(FormOf(column.Kind));
    return forms;
}

// One cell as a typed value; numbers are written as they are, texts through
// appendText. A row with fewer cells than columns shows the missing ones
// empty, as the list does.
template <typename AppendText>
void AppendValue(std::string& out, const ReportTable& table, const ReportRow& row, std::size_t c, CellForm kind,
                 AppendText appendText)
{
    switch (kind) {
    case CellForm::Seconds: AppendInteger(out, row.Values.Seconds); return;
    case CellForm::Sent: AppendInteger(out, row.Values.Sent); return;
    case CellForm::Received: AppendInteger(out, row.Values.Received); return;
    case CellForm::DateTime: {
        // A value no date text could show is written empty.
        std::string iso;
        if (row.Values.Shown)
            AppendIsoDateTime(iso, row.Values.DateTime);
        appendText(out, iso, false);
        return;
    }
    default: break;
    }
    std::string buffer;
    const std::string_view cell = CellText(table, row, c, buffer);
    appendText(out, cell, kind == CellForm::Integer && IsPlainInteger(cell));
}

}  // namespace

std::string CsvReport(const ReportTable& table)
{
    std::string out;
    if (table.Columns.empty())
        return out;
    const std::vector<CellForm> kinds = FormsOf(table);
    for (std::size_t c = 0; c < kinds.size(); ++c) {
        if (c > 0)
            out += ',';
        AppendCsvField(out, table.Columns[c].Caption);
    }
    out += ReportLineEnd;
    const auto text = [](std::string& o, std::string_view cell, bool) { AppendCsvField(o, cell); };
    for (const ReportRow& row : table.Rows) {
        for (std::size_t c = 0; c < kinds.size(); ++c) {
            if (c > 0)
                out += ',';
            AppendValue(out, table, row, c, kinds[c], text);
        }
        out += ReportLineEnd;
    }
    return out;
}

std::string JsonReport(const ReportTable& table, const JsonHeadings& headings)
{
    std::string out = "{\"node\":";
    AppendJsonString(out, headings.Node);
    out += ",\"view\":";
    AppendJsonString(out, headings.View);
    out += ",\"columns\":[";
    for (std::size_t c = 0; c < table.Columns.size(); ++c) {
        if (c > 0)
            out += ',';
        AppendJsonString(out, table.Columns[c].Caption);
    }
    out += "],\"rows\":[";
    const std::vector<CellForm> kinds = FormsOf(table);
    const auto text = [](std::string& o, std::string_view cell, bool number) {
        if (number)
            o += cell;
        else
            AppendJsonString(o, cell);
    };
    bool firstRow = true;
    for (const ReportRow& row : table.Rows) {
        if (kinds.empty())
            break;
        out += firstRow ? "\r\n[" : ",\r\n[";
        firstRow = false;
        for (std::size_t c = 0; c < kinds.size(); ++c) {
            if (c > 0)
                out += ',';
            AppendValue(out, table, row, c, kinds[c], text);
        }
        out += ']';
    }
    out += "],\"totals\":{\"seconds\":";
    AppendInteger(out, table.Totals.Seconds);
    out += ",\"sent\":";
    AppendInteger(out, table.Totals.Sent);
    out += ",\"received\":";
    AppendInteger(out, table.Totals.Received);
    out += "}}\r\n";
    return out;
}

}  // namespace vy
