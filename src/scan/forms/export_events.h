#pragma once
// Reading the events of the comma- or tab-separated exports: Event Viewer
// CSV and "Text (Tab delimited)" (level, date and time, source, event ID,
// task category, description), and PowerShell's Export-Csv of events
// (columns found by their names).
//
// An event is a connection when its ID is listed and its message holds the
// recognition marker; the message is read by the rules of its ID. A record
// whose quote never closes ends at the next line that starts a record of
// the form and is counted as unread when it is a listed event; RemoteAccess
// events 20272 and 20251 not listed are told as not listed.

#include <string_view>

#include "scan/forms/log_form_table.h"

namespace vy {

enum class ExportLayout { EventViewerCsv, EventViewerText, PowerShell };

// Reads the whole file of reading, whose layout is layout. False when the
// sink said stop.
bool ReadExportEvents(FormReading& reading, ExportLayout layout);

// The Event Viewer header names joined by separator (comma or tab), English
// or German, on the first line of head.
bool IsEventViewerHeader(std::string_view head, char separator);

}  // namespace vy
