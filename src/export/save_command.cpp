#include "export/save_command.h"

namespace vy {

QStringList SaveDialogNameFilters()
{
    // Descriptions stand at the even places of the '|' list.
    const QStringList parts = SaveDialogFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters.append(parts.at(i));
    return filters;
}

int SaveFilterIndexOf(const QString& nameFilter)
{
    return static_cast<int>(SaveDialogNameFilters().indexOf(nameFilter)) + 1;
}

QString ReplaceQuestion(const QString& fileName)
{
    return QStringLiteral("File ") + fileName + QStringLiteral(" exists. Replace?");
}

SaveChoice ChooseSaveTarget(int filterIndex, const QString& typedName)
{
    ReportFormat format;
    if (filterIndex == HtmlFilterIndex)
        format = ReportFormat::Html;
    else if (filterIndex == TextFilterIndex)
        format = ReportFormat::Text;
    else
        format = WithTextExtension(typedName) == typedName ? ReportFormat::Text : ReportFormat::Html;
    if (format == ReportFormat::Text)
        return {format, WithTextExtension(typedName)};
    return {format, WithHtmlExtension(typedName)};
}

std::optional<QString> WriteSaveChoice(const SaveChoice& choice, const ReportTable& table,
                                       const HtmlHeadings& headings)
{
    if (choice.Format == ReportFormat::Text)
        return WriteReportFile(choice.FileName, TextReport(table));
    return WriteReportFile(choice.FileName, HtmlReport(table, headings));
}

std::string FileNameOfNodePath(std::string_view nodePath)
{
    constexpr std::string_view between = " \\ ";
    std::string name;
    for (std::size_t at = 0; at < nodePath.size();) {
        if (nodePath.substr(at, between.size()) == between) {
            name += " - ";
            at += between.size();
            continue;
        }
        const auto c = static_cast<unsigned char>(nodePath[at++]);
        const bool unfit = c < 0x20 || c == 0x7F || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) !=
                                                         std::string_view::npos;
        name += unfit ? '_' : static_cast<char>(c);
    }
    // Names that are only dots, or end in a dot or blank, are not kept as
    // typed everywhere.
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    return name;
}

}  // namespace vy
