#pragma once
// Reading the events of the comma- or tab-separated exports: Event Viewer
// CSV and "Text (Tab delimited)" (level, date and time, source, event ID,
// task category, description), and PowerShell's Export-Csv of events
// (columns found by their names). Fields are quoted where needed, "" within
// quotes standing for one quote; a quoted field may span lines.
//
// An event is a connection when its ID is listed and its message holds the
// recognition marker; it goes to the sink as an EventMessage for the scan to
// read. An event of that kind whose quoting never closes is counted as
// unread; RemoteAccess events 20272 and 20251 with the marker but not
// listed are told to the sink as not listed.

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "scan/line_parser.h"
#include "scan/log_form.h"
#include "scan/log_reader.h"
#include "scan/reading_progress.h"
#include "scan/scan_pipeline.h"

namespace vy {

struct ExportReading {
    std::filesystem::path Path;  // the file, to name the line of an unreadable connection
    std::size_t File = 0;        // its index, for the sink
    const LineMatcher& Matcher;
    std::string_view FileServer;  // the server of Event Viewer exports, which name no computer
    ReadingProgress& Progress;
    double FileStart = 0;  // the bytes-read counter at the file's start
    ReadSink& Sink;
};

// Reads the whole file open in reader, whose form is form (one of the
// three above), nothing of it handed out yet. False when the sink said
// stop.
bool ReadCsvExport(LogReader& reader, LogForm form, const ExportReading& reading);

// The server of an Event Viewer export named fileName: the name without its
// last extension ("RAS1.csv" gives "RAS1").
std::string_view ServerOfFileName(std::string_view fileName);

}  // namespace vy
