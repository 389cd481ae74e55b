#pragma once
// Reading a log folder into the stores: enumeration, line reading with
// progress, the date range, the filters, names and records, Stop, and the
// duplicate check. Building the reports afterwards is the caller's step.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "scan/evtx_reader.h"
#include "store/stores.h"

namespace vy {

// The settings a scan reads, taken when it starts.
struct ScanSettings {
    QString LogDir;
    QString FileFilter;
    std::string LogLanguage;
    std::string NEvents;
    std::string ExcludedUsers;
    std::string ExcludedDomains;
    std::string ExcludedPorts;
    bool CheckLogFiles = false;
    double InitialDate = 0;  // whole days
    double FinalDate = 0;
};

// What the scan shows while it runs. Each call is made only when the shown
// value changes, in the order the scan makes them; they come from the
// thread that runs the scan.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void SetPhase(const std::string& text) { (void)text; }  // status panel 0
    // Status panel 1: "file: " and the file name in lower case, as Latin-1
    // bytes like every shown text (a character beyond Latin-1 becomes "?").
    virtual void SetFile(const std::string& text) { (void)text; }
    // Progress bar and status panel 2; title is true while reading, when the
    // application title follows the percentage.
    virtual void SetPercent(int percent, bool title) { (void)percent; (void)title; }
};

struct ScanResult {
    std::vector<QString> LogFileList;  // file names, without folder, in reading order
    bool DuplicatesFound = false;
    std::int64_t SkippedForCapacity = 0;  // connection lines dropped because a table was full
    std::vector<QString> UnreadableFiles;  // could not be opened, or a read failed part way
    std::int64_t OverlongLines = 0;  // lines too long to keep in memory, read past unexamined
    struct EventLogFile {
        QString Name;
        EvtxCounts Counts;
    };
    std::vector<EventLogFile> EventLogFiles;  // what each event log file (.evtx) held, in reading order
};

// How a scan reads: on its own thread alone, or with a second thread that
// reads the files ahead while the scan's thread parses and stores their
// connection lines in order. Both give the same results and the same calls
// of the observer.
enum class ScanThreads { One, Two };

// Runs the reading and the duplicate check on stores (emptied first).
// stop is looked at after every connection line and every shown percentage
// (lines that are neither leave no trace, so there is nothing between them
// to stop); once seen, no later line is taken. The first progress call of the
// reading comes with its first line; setting the bar to 0 before is the
// caller's.
ScanResult RunScan(const ScanSettings& settings, Stores& stores, const std::atomic<bool>& stop,
                   ScanObserver* observer, ScanThreads threads = ScanThreads::Two);

// The warnings that end a scan, in the order they are shown: "Folder has no
// log files", "Duplicates is found!", the full tables, the unreadable files,
// the overlong lines. File names appear as Latin-1 bytes.
std::vector<std::string> ScanWarnings(const ScanResult& result);

}  // namespace vy
