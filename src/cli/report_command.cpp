#include "cli/report_command.h"

#include <atomic>
#include <memory>
#include <optional>

#include <unistd.h>

#include <QDate>

#include "cli/node_lookup.h"
#include "cli/progress_bar.h"
#include "export/report_writers.h"
#include "reports/date_text.h"
#include "reports/report_session.h"
#include "settings/settings.h"
#include "settings/settings_table.h"
#include "store/date_value.h"
#include "store/stores.h"

#ifndef VY_VERSION
#define VY_VERSION "3"
#endif

namespace vy::cli {

namespace {

constexpr const char* Program = "vy-report";

std::string Latin1(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

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

void Message(std::FILE* err, const std::string& text)
{
    std::fprintf(err, "%s: %s\n", Program, text.c_str());
}

void ReportSortError(std::FILE* err, const SortError& error)
{
    if (error)
        Message(err, *error);
}

}  // namespace

ScanSettings ScanSettingsFor(const CliOptions& options)
{
    Settings stored = FirstRunSettings();
    if (options.UseStoredSettings) {
        LoadSettings(ProcessSettings());
        stored = ProcessSettings();
    }
    ScanSettings s;
    s.LogDir = options.Folder.value_or(stored.LogDir);
    s.FileFilter = options.Filter.value_or(stored.FileFilter);
    s.LogLanguage = options.Language.value_or(Latin1(stored.LogLanguage));
    s.NEvents = options.Events.value_or(Latin1(stored.NEvents));
    s.ExcludedUsers = options.ExcludeUsers.value_or(Latin1(stored.ExcludedUsers));
    s.ExcludedDomains = options.ExcludeDomains.value_or(Latin1(stored.ExcludedDomains));
    s.ExcludedPorts = options.ExcludePorts.value_or(Latin1(stored.ExcludedPorts));
    s.CheckLogFiles = options.CheckDuplicates || stored.CheckLogFiles;
    s.InitialDate = options.From.value_or(FirstOfThisMonth());
    s.FinalDate = options.To.value_or(Today());
    return s;
}

int RunReport(const CliOptions& options, std::FILE* out, std::FILE* err, bool progress)
{
    ScanSettings settings;
    try {
        settings = ScanSettingsFor(options);
    } catch (const SettingsError& e) {
        Message(err, std::string("cannot read the stored settings: ") + e.what());
        return ExitWriteFailed;
    }

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
    ReportSortError(err, BuildReportsAfterScan(session, stores, false, dates));
    for (const std::string& warning : ScanWarnings(result))
        Message(err, warning);

    if (options.Node) {
        const NodeLookup found = FindNodeByPath(session.Tree, *options.Node);
        if (found.Node < 0) {
            if (found.FoundPath.empty())
                Message(err, "no node \"" + found.MissingPart + "\" at the top of the " +
                                 (options.View == ReportView::Users ? "users" : "date") + " tree");
            else
                Message(err, "no node \"" + found.MissingPart + "\" under \"" + found.FoundPath + "\"");
            return ExitNoSuchNode;
        }
        ReportSortError(err, TreeClick(session, stores, found.Node, dates));
    }
    for (int column : options.Clicks)
        ReportSortError(err, ListColumnClick(session, column, dates));

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
        headings.Selection = session.LabelTotalSel;
        headings.FinalDate = dates.FormatDate(settings.FinalDate);
        headings.InitialDate = dates.FormatDate(settings.InitialDate);
        headings.Created = dates.FormatDateTime(CurrentDateTimeValue());
        bytes = HtmlReport(session.Table, headings);
        if (file)
            file = WithHtmlExtension(*file);
        break;
    }
    case OutputFormat::Tree:
        bytes = TreeReport(session.Tree);
        break;
    }

    if (file) {
        if (auto error = WriteReportFile(*file, bytes)) {
            // The file name as the user typed it, in the terminal's encoding.
            Message(err, error->toLocal8Bit().toStdString());
            return ExitWriteFailed;
        }
        return ExitDone;
    }
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), out);
    if (written != bytes.size() || std::fflush(out) != 0) {
        Message(err, "cannot write the report to standard output");
        return ExitWriteFailed;
    }
    return ExitDone;
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
        std::fprintf(err, "%s: %s (see %s --help)\n", Program, usage->Reason.c_str(), Program);
        return ExitUsage;
    }
    return RunReport(std::get<CliOptions>(parsed), out, err, ::isatty(::fileno(err)) != 0);
}

}  // namespace vy::cli
