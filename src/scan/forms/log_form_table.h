#pragma once
// The forms a log file can have, each recognised by the file's head and read
// by its own reader into the one sink; tried in the table's order. Adding a
// form is one file in this folder and one line in the table.

#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>

#include "scan/event_list.h"
#include "scan/evtx_reader.h"
#include "scan/line_parser.h"
#include "scan/log_reader.h"
#include "scan/reading_progress.h"
#include "scan/scan_pipeline.h"

namespace vy {

struct ScanSettings;

// One file being read.
struct FormReading {
    LogReader& Reader;  // open, nothing handed out yet
    const std::filesystem::path& Path;
    std::size_t File;             // its index, for the sink
    std::string_view FileName;    // Latin-1 bytes, without the folder
    std::string_view FolderName;  // the folder's own name, Latin-1 bytes
    const ScanSettings& Settings;
    const EventList& Events;
    const LineMatcher& Matcher;
    ReadingProgress& Progress;
    double FileStart;  // the bytes-read counter at the file's start
    ReadSink& Sink;
    bool Threads = true;  // whether the form may read ahead on a thread of its own
    std::int64_t Lines = 0;  // the lines read, where the form counts them
};

struct LogFormEntry {
    std::string_view Title;                     // shown per file, e.g. "Event Viewer CSV"
    bool (*Recognises)(std::string_view head);  // the file's start after any byte order mark, as single bytes
    bool (*Read)(FormReading& reading);         // false when the sink said stop
    bool Pieces = false;  // its lines stand alone: a file may be read in pieces from line ends on
};

// Tried in order; classic lines last, also the reader of a file that no
// form recognises.
std::span<const LogFormEntry> LogFormTable();

// The place of the first entry that recognises head; the size of the
// table when none does.
std::size_t FormOf(std::string_view head);

}  // namespace vy
