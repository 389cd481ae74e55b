#pragma once
// The command line of vy-report, read into plain values. Reading checks the
// form of every option; what the values mean is left to the report command.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <QString>

namespace vy::cli {

enum class OutputFormat { Text, Html, Tree, Csv, Json, Records };
enum class ReportView { Users, Date };

struct CliOptions {
    // Scan settings; nullopt leaves the setting as the starting point gives it
    // (the first-run default, or the stored value with --settings). Texts
    // compared with names from the logs are single-byte, as the arguments
    // decode (see text_arguments.h).
    std::optional<QString> Folder;
    std::optional<double> From;  // whole days
    std::optional<double> To;
    std::optional<std::string> Language;
    std::optional<std::string> Events;
    std::optional<QString> Filter;
    std::optional<std::string> ExcludeUsers;
    std::optional<std::string> ExcludeDomains;
    std::optional<std::string> ExcludePorts;
    bool CheckDuplicates = false;
    bool UseStoredSettings = false;

    ReportView View = ReportView::Users;
    std::optional<QString> Node;      // " \ "-joined node texts
    std::vector<int> Clicks;          // header clicks, in order
    OutputFormat Format = OutputFormat::Text;
    std::optional<QString> Output;
};

struct ShowHelp {};
struct ShowVersion {};
// Bad usage: the one-line reason.
struct UsageError {
    std::string Reason;
};

using ParsedCommandLine = std::variant<CliOptions, ShowHelp, ShowVersion, UsageError>;

// args are the arguments after the program name, as the system gave them.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// A date written YYYY-MM-DD as a whole day number; nullopt for any other form
// or a day that does not exist.
std::optional<double> ParseIsoDate(const std::string& text);

// The text of --help.
std::string HelpText();

}  // namespace vy::cli
