// Get-WinEvent or Get-EventLog piped to Export-Csv.
#include "scan/forms/export_events.h"

namespace vy {

namespace {

// A "#TYPE" line, or a header of quoted names holding two of the columns an
// export of events has (the third missing is named when it is read).
bool IsPowerShellExport(std::string_view head)
{
    const std::string_view line = head.substr(0, head.find_first_of("\r\n"));
    if (line.starts_with("#TYPE "))
        return true;
    if (!line.starts_with('"'))
        return false;
    auto named = [line](std::string_view name) {
        for (std::size_t at = line.find(name); at != std::string_view::npos; at = line.find(name, at + 1))
            if (at > 0 && line[at - 1] == '"' && at + name.size() < line.size() && line[at + name.size()] == '"')
                return true;
        return false;
    };
    return named("Message") + named("MachineName") + (named("Id") || named("EventID")) >= 2;
}

}  // namespace

extern const LogFormEntry kPowerShellCsvForm{
    "PowerShell CSV", IsPowerShellExport,
    [](FormReading& reading) { return ReadExportEvents(reading, ExportLayout::PowerShell); }};

}  // namespace vy
