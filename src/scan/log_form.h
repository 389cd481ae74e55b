#pragma once
// Which form of export a log file is, told from its first line (after any
// byte order mark), never from its name.

#include <string_view>

namespace vy {

enum class LogForm {
    Classic,          // one event a line, the classic layout: everything not below
    EventViewerCsv,   // Event Viewer "Save All Events As..." CSV (English or German header)
    EventViewerText,  // the same, "Text (Tab delimited)"
    PowerShellCsv,    // Get-WinEvent or Get-EventLog piped to Export-Csv
    Xml,              // <Event> elements: Event Viewer "Save as XML", wevtutil qe /f:xml
    EventLogFile,     // an event log file (.evtx), beginning with "ElfFile" and a zero byte
};

// head: the file's text from its start, single bytes (UTF-8 as it stands).
LogForm DetectLogForm(std::string_view head);

// The Event Viewer header names joined by separator (comma or tab), English
// or German: what DetectLogForm looks for.
bool IsEventViewerHeader(std::string_view line, char separator);

}  // namespace vy
