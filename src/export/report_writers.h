#pragma once
// The two report writers: a report table (and, for the page, its headings)
// to the bytes of the file. Neither reads the stores.

#include <optional>
#include <string>
#include <string_view>

#include <QString>

#include "reports/report_table.h"

namespace vy {

// Semicolon after every cell, CR LF after every line, the header line first.
std::string TextReport(const ReportTable& table);

struct HtmlHeadings {
    std::string Totals;        // the totals line
    std::string Selection;     // the node path
    std::string FinalDate;     // text of the final-date field
    std::string InitialDate;   // text of the initial-date field
    std::string Created;       // current local date and time, as a Date cell
};
std::string HtmlReport(const ReportTable& table, const HtmlHeadings& headings);

// The names the writers really write: ".txt" / ".htm" appended unless the
// name already ends so, compared without regard to letter case.
QString WithTextExtension(const QString& name);
QString WithHtmlExtension(const QString& name);

// Creates (or replaces) the file and writes the bytes. On failure the error
// text for the user ("Permission denied: <file>" and the like); what was
// written before the failure stays.
std::optional<QString> WriteReportFile(const QString& path, std::string_view bytes);

}  // namespace vy
