#pragma once
// The data forms (CSV and JSON) a report table is saved in, besides the page
// and the text file: what the window's save dialog offers after its three
// report filters, and what vy-report's --format csv and json write.

#include <optional>
#include <string>

#include <QString>
#include <QStringList>

#include "export/report_writers.h"

namespace vy {

enum class DataFormat { Csv, Json };

// The save dialog's filters of the data forms; they follow its three
// report filters, so the first of them is filter 4.
QStringList DataSaveNameFilters();
inline constexpr int FirstDataFilterIndex = 4;
// The data form a filter index (from 1) of the whole list chooses.
std::optional<DataFormat> DataFormatOfFilter(int filterIndex);

// The name written: the form's extension added when the name has none.
QString DataFileName(DataFormat format, const QString& typedName);
std::string DataReport(DataFormat format, const ReportTable& table, const JsonHeadings& headings);

}  // namespace vy
