#pragma once
// The two report writers: a report table (and, for the page, its headings)
// to the bytes of the file. Neither reads the stores.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QFileDevice>
#include <QString>

#include "reports/report_table.h"
#include "reports/report_tree.h"

namespace vy {

// Every written report ends its lines so, whatever the platform.
constexpr std::string_view ReportLineEnd = "\r\n";

// Semicolon after every cell, CR LF after every line, the header line first.
// A table without columns gives the empty header line alone.
std::string TextReport(const ReportTable& table);

struct HtmlHeadings {
    std::string Totals;        // the totals line
    std::string Selection;     // the node path
    std::string FinalDate;     // text of the final-date field
    std::string InitialDate;   // text of the initial-date field
    std::string Created;       // current local date and time, as a Date cell
};
std::string HtmlReport(const ReportTable& table, const HtmlHeadings& headings);

// The table for scripts: RFC 4180 CSV in UTF-8 (comma, CR LF, the titles
// first), each cell as its value: seconds and byte counts as integers, dates
// as ISO 8601, the rest as shown. No totals. Nothing for a table without
// columns.
std::string CsvReport(const ReportTable& table);

// The same values as one JSON object in UTF-8: node, view, columns, rows
// (day numbers and speeds as numbers where they are plain integers) and the
// totals as seconds, sent, received.
struct JsonHeadings {
    std::string Node;  // the node path (single-byte text)
    std::string View;  // "users" or "date"
};
std::string JsonReport(const ReportTable& table, const JsonHeadings& headings);

// The tree in display order, one node a line: two blanks per level, the
// node's image index, one blank, its text, CR LF.
std::string TreeReport(const ReportTree& tree);

// The one-line maker's notice in the page's footer.
inline constexpr std::string_view HtmlFooterNotice = "Created by Vy 3, (C) Quillmar";

// "&", "<", ">" and the double quote as character references, so that a
// name typed by a remote user shows as text and never becomes markup.
std::string HtmlEscape(std::string_view text);

// The totals line cut into the page's four totals cells at the second, third
// and fourth occurrence of three blanks (occurrences may overlap; the
// character at the second one ends piece 1 and begins piece 2). A missing
// occurrence stands for the end of the text.
std::array<std::string, 4> SplitTotals(std::string_view totals);

// The names the writers really write: ".txt" / ".htm" appended unless the
// name already ends so, compared without regard to letter case.
QString WithTextExtension(const QString& name);
QString WithHtmlExtension(const QString& name);
// extension (".csv", ".json") appended when the file name has none.
QString WithDataExtension(const QString& name, const QString& extension);

// Creates (or replaces) the file and writes the bytes. On failure the error
// text for the user ("Permission denied: <file>" and the like). A file is
// written beside its place and put there whole when it is complete, so a
// failed write leaves the old file, or none; a device or pipe is written
// directly.
std::optional<QString> WriteReportFile(const QString& path, std::string_view bytes);

// The same for a report written piece by piece. Each call gives the error
// text, or nothing; after an error, or when the writer is destroyed without
// Close, nothing of what was written takes the file's place.
class ReportFileWriter {
public:
    explicit ReportFileWriter(const QString& path);
    std::optional<QString> Open();
    std::optional<QString> Write(std::string_view bytes);
    std::optional<QString> Close();

private:
    std::optional<QString> Failed();

    QString path_;
    std::unique_ptr<QFileDevice> file_;
};

}  // namespace vy
