#include "cli/cli_options.h"

#include <QFile>

#include "cli/text_arguments.h"
#include "store/ascii_text.h"
#include "store/date_value.h"

namespace vy::cli {

namespace {

QString PathOf(const std::string& arg)
{
    return QFile::decodeName(QByteArray(arg.data(), static_cast<qsizetype>(arg.size())));
}

// Options that take a value, as "--name VALUE" or "--name=VALUE".
const std::vector<std::string>& ValueOptions()
{
    static const std::vector<std::string> names{"--from",           "--to",           "--language",
                                                "--events",         "--filter",       "--exclude-users",
                                                "--exclude-domains", "--exclude-ports", "--view",
                                                "--node",           "--click",        "--format",
                                                "--output"};
    return names;
}

bool TakesValue(const std::string& name)
{
    for (const std::string& n : ValueOptions())
        if (n == name)
            return true;
    return false;
}

std::optional<std::string> ApplyValue(CliOptions& o, const std::string& name, const std::string& value)
{
    if (name == "--from" || name == "--to") {
        const auto day = ParseIsoDate(value);
        if (!day)
            return name + " needs a date written YYYY-MM-DD, not '" + value + "'";
        (name == "--from" ? o.From : o.To) = *day;
    } else if (name == "--language") {
        o.Language = value;
    } else if (name == "--events") {
        o.Events = SingleByteText(DecodeArgument(value));
    } else if (name == "--filter") {
        o.Filter = DecodeArgument(value);
    } else if (name == "--exclude-users") {
        o.ExcludeUsers = SingleByteText(DecodeArgument(value));
    } else if (name == "--exclude-domains") {
        o.ExcludeDomains = SingleByteText(DecodeArgument(value));
    } else if (name == "--exclude-ports") {
        o.ExcludePorts = SingleByteText(DecodeArgument(value));
    } else if (name == "--view") {
        if (value == "users")
            o.View = ReportView::Users;
        else if (value == "date")
            o.View = ReportView::Date;
        else
            return "--view takes users or date, not '" + value + "'";
    } else if (name == "--node") {
        o.Node = DecodeArgument(value);
    } else if (name == "--click") {
        const auto column = ReadDigits<int>(value);
        if (!column)
            return "--click needs a column number (0, 1, ...), not '" + value + "'";
        o.Clicks.push_back(*column);
    } else if (name == "--format") {
        if (value == "text")
            o.Format = OutputFormat::Text;
        else if (value == "html")
            o.Format = OutputFormat::Html;
        else if (value == "tree")
            o.Format = OutputFormat::Tree;
        else if (value == "csv")
            o.Format = OutputFormat::Csv;
        else if (value == "json")
            o.Format = OutputFormat::Json;
        else if (value == "records")
            o.Format = OutputFormat::Records;
        else
            return "--format takes text, html, tree, csv, json or records, not '" + value + "'";
    } else if (name == "--output") {
        if (value.empty())
            return "--output needs a file name";
        o.Output = PathOf(value);
    }
    return std::nullopt;
}

}  // namespace

std::optional<double> ParseIsoDate(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const std::string_view t(text);
    const auto year = ReadDigits<int>(t.substr(0, 4));
    const auto month = ReadDigits<int>(t.substr(5, 2));
    const auto day = ReadDigits<int>(t.substr(8, 2));
    if (!year || !month || !day)
        return std::nullopt;
    return EncodeDate(*year, *month, *day);
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    // --help and --version win wherever they stand among the options.
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
            return ShowHelp{};
        if (arg == "--version")
            return ShowVersion{};
    }

    CliOptions o;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool looksLikeOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!looksLikeOption) {
            if (o.Folder)
                return UsageError{"more than one folder given ('" + o.Folder->toStdString() + "' and '" + arg + "')"};
            // An empty name would mean the root of the file system.
            if (arg.empty())
                return UsageError{"the folder name is empty"};
            o.Folder = PathOf(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--check-duplicates") {
            o.CheckDuplicates = true;
            continue;
        }
        if (arg == "--settings") {
            o.UseStoredSettings = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (!TakesValue(name)) {
            if (name == "--check-duplicates" || name == "--settings")
                return UsageError{name + " takes no value"};
            return UsageError{"unknown option '" + name + "'"};
        }
        if (!value) {
            if (i + 1 >= args.size())
                return UsageError{name + " needs a value"};
            value = args[++i];
        }
        if (auto error = ApplyValue(o, name, *value))
            return UsageError{*error};
    }
    if (!o.Folder && !o.UseStoredSettings)
        return UsageError{"no folder given"};
    return o;
}

std::string HelpText()
{
    return R"(Usage: vy-report [OPTIONS] FOLDER
Scans the connection logs of FOLDER and writes one report to standard output.

Scan options (without --settings every other setting has its first-run default):
  --from YYYY-MM-DD        first day of the range (default: first day of this month)
  --to YYYY-MM-DD          last day of the range (default: today)
  --language TEXT          log language; only DE selects German (default EN)
  --events TEXT            event IDs, five characters each (default 20050;20048)
  --filter PATTERN         file-name patterns in FOLDER, separated by ";"
                           (default *.txt)
  --exclude-users TEXT     users to leave out (blanks, commas or semicolons between)
  --exclude-domains TEXT   domains to leave out
  --exclude-ports TEXT     ports to leave out
  --check-duplicates       count repeated connections once
  --settings               start from the desktop program's stored settings;
                           FOLDER may then be left out

Report options:
  --view users|date        which tree (default users)
  --node PATH              the node whose table is shown, its texts from the root
                           joined by " \ " (default: the first root's table)
  --click N                a click on the header of column N (0 first);
                           repeatable, applied in order
  --format FORMAT          text: the semicolon text (default); html: the page;
                           tree: the report tree; csv or json: the table's
                           values for scripts (UTF-8); records: every kept
                           connection as CSV, whatever --view and --node say
  --output FILE            write to FILE instead of standard output (".txt",
                           ".htm" appended as the save command does; ".csv",
                           ".json" when FILE has no extension)
  --help                   show this text
  --version                show the version

The texts of --node, --events, --filter and --exclude-* are read as UTF-8 when
they are valid UTF-8, otherwise byte by byte as Latin-1.

Each file's form is told from its content: classic comma-separated lines,
Event Viewer CSV or tab-separated text, PowerShell Export-Csv, XML (Event
Viewer "Save as XML", wevtutil /f:xml) or an event log file (.evtx). Current
servers log connections as events 20272 and 20251: add them to --events, and
the exports' patterns to --filter (such as "*.txt;*.csv;*.xml;*.evtx"). Event
Viewer CSV and text exports name no computer: their server is the file's name
without its last extension (RAS1.csv gives RAS1).
Accounting logs are read as well, each finished session (Stop record) one
connection, whatever --events says: FreeRADIUS detail files ("detail*"), a
CSV copy of its radacct table, and NPS or RRAS logs ("IN*.log").

Exit status: 0 done (also after warnings, such as a log file that could not
be read or connection lines that could not be read), 1 FOLDER could not be
read, a file could not be written or the stored settings could not be read,
2 bad usage, 3 --node names no node.
)";
}

}  // namespace vy::cli
