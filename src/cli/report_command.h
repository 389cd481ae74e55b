#pragma once
// vy-report's one job: scan as the window's "Go!" does, show the table the
// options ask for as the window would, and write it as File > Save would.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "scan/scan_run.h"

namespace vy::cli {

enum ExitStatus : int {
    ExitDone = 0,
    ExitWriteFailed = 1,
    ExitFolderUnreadable = 1,
    ExitUsage = 2,
    ExitNoSuchNode = 3,
};

// The scan settings the options give: the first-run defaults (or the stored
// settings with --settings) with each given option laid over them. Throws
// SettingsError when the stored settings cannot be read.
ScanSettings ScanSettingsFor(const CliOptions& options);

// Runs the scan and the report; the report's bytes go to out (or the output
// file), messages to err. progress: draw a progress bar on err meanwhile.
int RunReport(const CliOptions& options, std::FILE* out, std::FILE* err, bool progress);

// The whole program: reads the command line, then RunReport.
int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace vy::cli
