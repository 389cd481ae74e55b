#include "export/data_save.h"

namespace vy {

QStringList DataSaveNameFilters()
{
    return {QStringLiteral("CSV Files (*.csv)"), QStringLiteral("JSON Files (*.json)")};
}

std::optional<DataFormat> DataFormatOfFilter(int filterIndex)
{
    if (filterIndex == FirstDataFilterIndex)
        return DataFormat::Csv;
    if (filterIndex == FirstDataFilterIndex + 1)
        return DataFormat::Json;
    return std::nullopt;
}

QString DataFileName(DataFormat format, const QString& typedName)
{
    return WithDataExtension(typedName, format == DataFormat::Csv ? QStringLiteral(".csv") : QStringLiteral(".json"));
}

std::string DataReport(DataFormat format, const ReportTable& table, const JsonHeadings& headings)
{
    return format == DataFormat::Csv ? CsvReport(table) : JsonReport(table, headings);
}

}  // namespace vy
