#include "cli/report_command.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <optional>

#include <QDate>

#include "cli/node_lookup.h"
#include "cli/progress_bar.h"
#include "cli/records_output.h"
#include "cli/terminal.h"
#include "cli/terminal_text.h"
#include "cli/text_arguments.h"
#include "export/data_save.h"
#include "export/report_writers.h"
#include "reports/date_text.h"
#include "reports/report_session.h"
#include "settings/scan_settings_from.h"
#include "settings/settings.h"
#include "settings/settings_table.h"
#include "store/date_value.h"
#include "store/latin1_text.h"
#include "store/stores.h"

#ifndef VY_VERSION
#define VY_VERSION "3"
#endif

namespace vy::cli {

namespace {

constexpr const char* Program = "vy-report";

// The record as a first run writes it.
Settings FirstRunSettings()
{
    Settings s;
    for (const SettingValue& row : SettingValues()) {
        switch (row.kind) {
        case ValueKind::Text:
            if (row.defaultText)
                s.*row.text = QString::fromLatin1(row.defaultText);
            break;
        case ValueKind::Integer:
            s.*row.integer = row.defaultNumber;
            break;
        case ValueKind::Flag:
            s.*row.flag = row.defaultNumber != 0;
            break;
        }
    }
    return s;
}

double Today()
{
    const QDate today = QDate::currentDate();
    return EncodeDate(today.year(), today.month(), today.day()).value_or(0);
}

double FirstOfThisMonth()
{
    const QDate today = QDate::currentDate();
    return EncodeDate(today.year(), today.month(), 1).value_or(0);
}

// Messages name files and names from the logs: shown through ForTerminal.
void Message(std::FILE* err, const QString& text)
{
    std::fprintf(err, "%s: %s\n", Program, ForTerminal(text).c_str());
}

void ReportSortError(std::FILE* err, const SortError& error)
{
    if (error)
        Message(err, FromLatin1(*error));
}

// "1 line", "2 lines".
QString Counted(std::int64_t n, const char* one, const char* more)
{
    return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : more);
}

// What the scan recognised but could not read, and the connection events the
// event list left out.
void ReportUnread(std::FILE* err, const ScanResult& result)
{
    if (const std::int64_t n = result.UnreadLines(); n > 0) {
        const FileSummary& first =
            *std::find_if(result.Files.begin(), result.Files.end(), [](const FileSummary& f) { return f.Unread > 0; });
        Message(err, Counted(n, "connection line", "connection lines") +
                         QStringLiteral(" could not be read%1 %2 %3 %4")
                             .arg(n == 1 ? QStringLiteral(":") : QStringLiteral("; the first:"))
                             .arg(first.Name, first.Records ? QStringLiteral("record") : QStringLiteral("line"))
                             .arg(first.FirstUnread));
    }
    for (const auto& [id, n] : result.EventsNotListed)
        Message(err, Counted(n, "event", "events") + QLatin1Char(' ') + QString::number(id) +
                         (n == 1 ? QStringLiteral(" was not read: it is not") : QStringLiteral(" were not read: they are not")) +
                         QStringLiteral(" in the event list (--events)"));
}

// Characters from..from+count of the text, counted as SingleByteText counts
// them (one per character, whatever its form).
QString Characters(const QString& text, std::size_t from, std::size_t count)
{
    const QList<uint> all = text.toUcs4();
    from = std::min(from, static_cast<std::size_t>(all.size()));
    count = std::min(count, static_cast<std::size_t>(all.size()) - from);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(all.data()) + from, static_cast<qsizetype>(count));
}

// Writes what produce hands to its sink to the file, or to out without one.
int WriteOutput(std::FILE* out, std::FILE* err, const std::optional<QString>& file,
                const std::function<bool(const ByteSink&)>& produce)
{
    if (file) {
        ReportFileWriter writer(*file);
        std::optional<QString> error = writer.Open();
        if (!error) {
            produce([&](std::string_view bytes) {
                error = writer.Write(bytes);
                return !error;
            });
            if (!error)
                error = writer.Close();
        }
        if (error) {
            Message(err, *error);
            return ExitWriteFailed;
        }
        return ExitDone;
    }
    const bool written = produce(
        [&](std::string_view bytes) { return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size(); });
    if (!written || std::fflush(out) != 0) {
        Message(err, QStringLiteral("cannot write the report to standard output"));
        return ExitWriteFailed;
    }
    return ExitDone;
}

}  // namespace

ScanSettings ScanSettingsFor(const CliOptions& options)
{
    Settings stored = FirstRunSettings();
    if (options.UseStoredSettings) {
        LoadSettings(ProcessSettings());
        stored = ProcessSettings();
    }
    // Each option given sets its own value over the record's.
    ScanSettings s = ScanSettingsFrom(stored, options.From.value_or(FirstOfThisMonth()), options.To.value_or(Today()));
    s.LogDir = options.Folder.value_or(s.LogDir);
    s.FileFilter = options.Filter.value_or(s.FileFilter);
    s.LogLanguage = options.Language.value_or(s.LogLanguage);
    s.NEvents = options.Events.value_or(s.NEvents);
    s.ExcludedUsers = options.ExcludeUsers.value_or(s.ExcludedUsers);
    s.ExcludedDomains = options.ExcludeDomains.value_or(s.ExcludedDomains);
    s.ExcludedPorts = options.ExcludePorts.value_or(s.ExcludedPorts);
    s.CheckLogFiles = options.CheckDuplicates || s.CheckLogFiles;
    return s;
}

int RunReport(const CliOptions& options, std::FILE* out, std::FILE* err, bool progress)
{
    ScanSettings settings;
    try {
        settings = ScanSettingsFor(options);
    } catch (const SettingsError& e) {
        Message(err, QStringLiteral("cannot read the stored settings: ") + QString::fromLocal8Bit(e.what()));
        return ExitWriteFailed;
    }
    // An empty folder name would mean the root of the file system.
    if (settings.LogDir.isEmpty()) {
        Message(err, QStringLiteral("no folder given, and the stored settings name none"));
        return ExitUsage;
    }
    if (settings.InitialDate > settings.FinalDate)
        Message(err, QStringLiteral("the date range is empty"));

    DateTexts& dates = ProcessDateTexts();
    dates.StripSeconds();

    ReportSession session;
    session.InitialDate = settings.InitialDate;
    session.FinalDate = settings.FinalDate;
    SelectReportView(session, options.View == ReportView::Users ? 1 : 2);

    Stores& stores = ProcessStores();
    const std::atomic<bool> stop{false};
    ScanResult result;
    {
        std::optional<ProgressBar> bar;
        if (progress)
            bar.emplace(err, TerminalWidth(err));
        result = RunScan(settings, stores, stop, bar ? &*bar : nullptr);
    }
    // No report of a folder that is not there: a script would take it for
    // an empty month.
    if (result.FolderError) {
        Message(err, QStringLiteral("cannot read folder ") + settings.LogDir + QStringLiteral(": ") +
                         QString::fromLocal8Bit(result.FolderError->c_str()));
        return ExitFolderUnreadable;
    }
    // Read by eye: what names hold must not steer the screen.
    const bool onTerminal = !options.Output && IsTerminal(out);
    // The records stand for themselves: no tree, no table.
    const bool records = options.Format == OutputFormat::Records;
    if (!records)
        ReportSortError(err, BuildReportsAfterScan(session, stores, false, dates));
    for (const std::string& warning : ScanWarnings(result))
        Message(err, FromLatin1(warning));
    ReportUnread(err, result);

    if (records) {
        const std::optional<QString> file =
            options.Output ? std::optional(WithDataExtension(*options.Output, QStringLiteral(".csv"))) : std::nullopt;
        return WriteOutput(out, err, file, [&](const ByteSink& sink) { return WriteRecords(stores, sink, onTerminal); });
    }

    if (options.Node) {
        const std::string path = SingleByteText(*options.Node);
        const NodeLookup found = FindNodeByPath(session.Tree, path);
        if (found.Node < 0) {
            // The parts as typed: each character of the path is one byte of
            // the single-byte form, the joint " \ " three.
            const QString missing = Characters(*options.Node, found.FoundPath.empty() ? 0 : found.FoundPath.size() + 3,
                                               found.MissingPart.size());
            const QString view = options.View == ReportView::Users ? QStringLiteral("users") : QStringLiteral("date");
            if (found.FoundPath.empty())
                Message(err, QStringLiteral("no node \"") + missing + QStringLiteral("\" at the top of the ") + view +
                                 QStringLiteral(" tree"));
            else
                Message(err, QStringLiteral("no node \"") + missing + QStringLiteral("\" under \"") +
                                 Characters(*options.Node, 0, found.FoundPath.size()) + QStringLiteral("\""));
            return ExitNoSuchNode;
        }
        ReportSortError(err, TreeClick(session, stores, found.Node, dates));
    }
    // A table without columns (nothing was found) has nothing to click.
    const std::size_t columns = session.Table.Columns.size();
    for (int column : options.Clicks) {
        if (columns > 0 && static_cast<std::size_t>(column) >= columns) {
            Message(err, QStringLiteral("no column %1: the table has ").arg(column) +
                             Counted(static_cast<std::int64_t>(columns), "column", "columns"));
            return ExitUsage;
        }
    }
    for (const SortError& error : ListColumnClicks(session, options.Clicks))
        ReportSortError(err, error);

    if (onTerminal && options.Format != OutputFormat::Json) {  // JSON escapes them itself
        MaskControls(session.Table);
        MaskControls(session.Tree);
    }
    std::string bytes;
    std::optional<QString> file = options.Output;
    switch (options.Format) {
    case OutputFormat::Text:
        bytes = TextReport(session.Table);
        if (file)
            file = WithTextExtension(*file);
        break;
    case OutputFormat::Html: {
        HtmlHeadings headings;
        headings.Totals = session.LabelTotal;
        headings.Selection = session.NodePathText;
        headings.FinalDate = dates.FormatDate(settings.FinalDate);
        headings.InitialDate = dates.FormatDate(settings.InitialDate);
        headings.Created = dates.FormatDateTime(CurrentDateTimeValue());
        if (onTerminal)
            for (std::string* text : {&headings.Totals, &headings.Selection, &headings.FinalDate, &headings.InitialDate})
                MaskControls(*text);
        bytes = HtmlReport(session.Table, headings);
        if (file)
            file = WithHtmlExtension(*file);
        break;
    }
    case OutputFormat::Tree:
        bytes = TreeReport(session.Tree);
        break;
    case OutputFormat::Csv:
    case OutputFormat::Json: {
        const DataFormat data = options.Format == OutputFormat::Csv ? DataFormat::Csv : DataFormat::Json;
        bytes = DataReport(data, session.Table,
                           {session.NodePathText, options.View == ReportView::Users ? "users" : "date"});
        if (file)
            file = DataFileName(data, *file);
        break;
    }
    case OutputFormat::Records:
        break;
    }
    return WriteOutput(out, err, file, [&](const ByteSink& sink) { return sink(bytes); });
}

int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (std::holds_alternative<ShowHelp>(parsed)) {
        const std::string help = HelpText();
        std::fwrite(help.data(), 1, help.size(), out);
        return std::fflush(out) == 0 ? ExitDone : ExitWriteFailed;
    }
    if (std::holds_alternative<ShowVersion>(parsed)) {
        std::fprintf(out, "%s %s\n", Program, VY_VERSION);
        return std::fflush(out) == 0 ? ExitDone : ExitWriteFailed;
    }
    if (const auto* usage = std::get_if<UsageError>(&parsed)) {
        // The reason quotes arguments, in the bytes they were given.
        const std::string reason = ForTerminal(DecodeArgument(usage->Reason));
        std::fprintf(err, "%s: %s (see %s --help)\n", Program, reason.c_str(), Program);
        return ExitUsage;
    }
    try {
        return RunReport(std::get<CliOptions>(parsed), out, err, IsTerminal(err));
    } catch (const std::bad_alloc&) {
        // Said as such, after the unwinding has given the memory back; an
        // output file keeps its old contents.
        Message(err, QStringLiteral("out of memory: the report could not be made"));
        return ExitWriteFailed;
    }
}

}  // namespace vy::cli
