#pragma once
// The work of a scan as a session task: reads the folder into the stores,
// builds the first reports into the session, and tells its progress on the
// window's thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QString>

#include "reports/list_sort.h"
#include "scan/scan_run.h"

namespace vy {

class DateTexts;
class TaskRun;
struct ReportSession;
struct Stores;

struct ScanOutcome {
    std::vector<std::string> Warnings;  // each shown in its own box, in order
    SortError Error;                    // from sorting the first table
    ScanResult Result;                  // what the reading found, file by file
    std::int64_t Connections = 0;       // kept by this scan, duplicates counted once
    bool Stopped = false;
};

// Where the progress goes; each is called on the window's thread.
struct ScanProgress {
    std::function<void(const QString&)> Phase;  // "Processing", "Checking"
    std::function<void(const QString&)> File;   // "file: name", empty when done
    std::function<void(int percent, bool reading)> Percent;
};

ScanOutcome RunScanTask(const ScanSettings& settings, ReportSession& session, Stores& stores, const DateTexts& dates,
                        const TaskRun& run, const ScanProgress& progress);

}  // namespace vy
