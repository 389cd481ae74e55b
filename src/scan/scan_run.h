#pragma once
// Reading a log folder into the stores: enumeration, line reading with
// progress, the date range, the filters, names and records, Stop, and the
// duplicate check. Building the reports afterwards is the caller's step.

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QString>

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

enum class ScanPhase { Reading, CheckingDuplicates };

// What happens while a scan runs, as values; each front end words it. Each
// call is made only when what it tells changes, in the order the scan makes
// them; they come from the thread that runs the scan.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void PhaseBegun(ScanPhase phase) { (void)phase; }
    // name: as found in the folder, without the folder.
    virtual void FileBegun(const QString& name) { (void)name; }
    // No file is read any more (the duplicate check follows).
    virtual void FilesDone() {}
    // The share of the phase's work done, rounded; while reading, the bytes
    // the lines read so far took over the bytes of the files found (it may
    // pass 100 when a file grew). reading is true while the files are read.
    virtual void PercentDone(int percent, bool reading) { (void)percent; (void)reading; }
};

// What one file held.
struct FileSummary {
    QString Name;                  // as in LogFileList
    std::string Form;              // the form's title; empty when the file could not be read
    std::int64_t Connections = 0;  // connection records read from it (before the date range and the exclusion lists)
    std::int64_t Unread = 0;       // connection records that could not be read
    std::int64_t FirstUnread = 0;  // line (or record number) of the first
    bool Records = false;          // FirstUnread is a record number
    std::map<int, std::int64_t> NotListed;  // connection events not in the event list, per ID
    std::vector<std::string> Problems;      // each a sentence: damage, why it could not be read, bytes after Ctrl-Z...
};

struct ScanResult {
    std::vector<QString> LogFileList;  // file names, without folder, in reading order
    std::vector<FileSummary> Files;    // every file found, in reading order
    // The first and last connect moment read (days), whatever the date range.
    std::optional<std::pair<double, double>> ConnectionSpan;
    bool DuplicatesFound = false;
    std::int64_t SkippedForCapacity = 0;  // connection lines dropped because a table was full
    bool OutOfMemory = false;  // some of them for want of memory rather than room
    std::vector<QString> UnreadableFiles;  // could not be opened, or a read failed part way
    std::int64_t OverlongLines = 0;  // lines too long to keep in memory, read past unexamined
    std::optional<std::string> FolderError;  // the folder could not be listed: why
    QString FileFilter;  // the filter the files were found by
    // Files the filter left out, by the extension of another export form
    // (".csv", ".evtx", ".xml").
    std::map<std::string, int> FolderLeftOut;
    // Connection events (20272, 20251) met while not in the event list: ID,
    // how many.
    std::map<int, std::int64_t> EventsNotListed;

    // Connection lines that passed recognition but could not be read, in
    // every file.
    std::int64_t UnreadLines() const;
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
// log files", "Duplicates is found!", the full tables (or the memory), then
// each file's problems as "FILE: sentence." in reading order. File names
// appear as Latin-1 bytes. The connection lines that could not be read are
// told by each front end in its own words.
std::vector<std::string> ScanWarnings(const ScanResult& result);

}  // namespace vy
