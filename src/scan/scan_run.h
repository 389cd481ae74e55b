#pragma once
// Reading a log folder into the stores: enumeration, line reading with
// progress, the date range, the filters, names and records, Stop, and the
// duplicate check. Building the reports afterwards is the caller's step.

#include <atomic>
#include <cstdint>
#include <string>
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

// What the scan shows while it runs. Each call is made only when the shown
// value changes, in the order the scan makes them; they come from the
// thread that runs the scan.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void SetPhase(const std::string& text) { (void)text; }  // status panel 0
    virtual void SetFile(const std::string& text) { (void)text; }   // status panel 1
    // Progress bar and status panel 2; title is true while reading, when the
    // application title follows the percentage.
    virtual void SetPercent(int percent, bool title) { (void)percent; (void)title; }
};

struct ScanResult {
    std::vector<QString> LogFileList;  // file names, without folder, in reading order
    bool DuplicatesFound = false;
    std::int64_t SkippedForCapacity = 0;  // connection lines dropped because a table was full
    std::vector<QString> UnreadableFiles;
};

// Runs the reading and the duplicate check on stores (emptied first).
// stop is read after every line.
ScanResult RunScan(const ScanSettings& settings, Stores& stores, const std::atomic<bool>& stop,
                   ScanObserver* observer);

// The warnings that end a scan, in the order they are shown: "Folder has no
// log files", "Duplicates is found!", the full tables, the unreadable files.
std::vector<std::string> ScanWarnings(const ScanResult& result);

}  // namespace vy
