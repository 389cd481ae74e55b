#include "scan/log_form.h"

#include <array>

namespace vy {

namespace {

constexpr std::array<std::string_view, 5> kEnglishNames{"Level", "Date and Time", "Source", "Event ID", "Task Category"};
constexpr std::array<std::string_view, 5> kGermanNames{"Ebene", "Datum und Uhrzeit", "Quelle", "Ereignis-ID",
                                                       "Aufgabenkategorie"};

bool HasNames(std::string_view line, char separator, const std::array<std::string_view, 5>& names)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!line.starts_with(names[i]))
            return false;
        line.remove_prefix(names[i].size());
        if (i + 1 < names.size()) {
            if (line.empty() || line.front() != separator)
                return false;
            line.remove_prefix(1);
        }
    }
    // Some exports close the header with a separator or blanks.
    const char trailing[] = {separator, ' ', '\0'};
    return line.find_first_not_of(trailing) == std::string_view::npos;
}

// A header of quoted names that names the columns a PowerShell export of
// events has.
bool IsPowerShellHeader(std::string_view line)
{
    if (!line.starts_with('"'))
        return false;
    auto named = [line](std::string_view name) {
        for (std::size_t at = line.find(name); at != std::string_view::npos; at = line.find(name, at + 1))
            if (at > 0 && line[at - 1] == '"' && at + name.size() < line.size() && line[at + name.size()] == '"')
                return true;
        return false;
    };
    return named("Message") && (named("Id") || named("EventID"));
}

}  // namespace

bool IsEventViewerHeader(std::string_view line, char separator)
{
    return HasNames(line, separator, kEnglishNames) || HasNames(line, separator, kGermanNames);
}

LogForm DetectLogForm(std::string_view head)
{
    if (head.starts_with(std::string_view("ElfFile\0", 8)))
        return LogForm::EventLogFile;
    const std::string_view line = head.substr(0, head.find_first_of("\r\n"));
    if (IsEventViewerHeader(line, ','))
        return LogForm::EventViewerCsv;
    if (IsEventViewerHeader(line, '\t'))
        return LogForm::EventViewerText;
    if (line.starts_with("#TYPE ") || IsPowerShellHeader(line))
        return LogForm::PowerShellCsv;
    const std::size_t first = head.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos) {
        const std::string_view rest = head.substr(first);
        if (rest.starts_with("<?xml") || rest.starts_with("<Events") || rest.starts_with("<Event>") ||
            rest.starts_with("<Event "))
            return LogForm::Xml;
    }
    return LogForm::Classic;
}

}  // namespace vy
