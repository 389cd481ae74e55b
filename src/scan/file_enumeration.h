#pragma once
// Finding the log files of a folder: the names that match the file filter,
// without regard to letter case, in the order of their names compared
// without regard to case, so that every platform scans in the same order.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QString>

namespace vy {

struct LogFileEntry {
    QString Name;  // without folder, as shown
    std::int64_t Size = 0;
    // The file as the system names it (bytes on Unix, whatever their
    // encoding), to open it by.
    std::filesystem::path Path;
};

// What a folder holds for a scan.
struct LogFolder {
    std::vector<LogFileEntry> Files;  // in scan order
    std::optional<std::string> Error;  // the folder could not be listed: why
    // Plain files that the filter left out, counted by the extensions of
    // other export forms (".evtx", ".csv", ".xml", in lower case) or the
    // names of accounting logs ("detail*", "IN*.log", "radacct*.csv").
    std::map<std::string, int> LeftOut;
};

// filter widened by the patterns that read the files of leftOut.
std::string FilterReadingLeftOut(const std::string& filter, const std::map<std::string, int>& leftOut);

// In a filter, '*' stands for any run of characters, '?' for one character;
// letters match without regard to case. A pattern ending in ".*" also
// matches the names without an extension ("*.*" matches every name), as
// users of the filter field expect from their file dialogs. The filter may
// hold several patterns separated by ";" (blanks around each are ignored):
// a name that matches one of them matches.
//
// The plain files of folder whose names match filter: hidden ones included;
// folders, devices, pipes and sockets excluded. A link counts as the file it
// points to; a dangling link is listed (with size 0), so that the scan can
// say it could not be read. A pattern holding a folder separator matches
// nothing: the scan reads files of the folder itself only. Names that are
// not valid UTF-8 are shown as Latin-1 and opened by their own bytes.
LogFolder ListLogFolder(const QString& folder, const QString& filter);

}  // namespace vy
