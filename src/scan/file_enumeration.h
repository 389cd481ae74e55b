#pragma once
// Finding the log files of a folder: the names that match the file filter,
// without regard to letter case, in the order of their names compared
// without regard to case, so that every platform scans in the same order.

#include <cstdint>
#include <vector>

#include <QString>

namespace vy {

struct LogFileEntry {
    QString Name;  // without folder
    std::int64_t Size = 0;
};

// '*' stands for any run of characters, '?' for one character; letters match
// without regard to case. A pattern ending in ".*" also matches the names
// without an extension ("*.*" matches every name), as users of the filter
// field expect from their file dialogs.
bool MatchesFileFilter(const QString& name, const QString& filter);

// The plain files of folder whose names match filter: hidden ones included;
// folders, devices, pipes and sockets excluded. A link counts as the file it
// points to; a dangling link is listed (with size 0), so that the scan can
// say it could not be read. A filter holding a folder separator matches
// nothing: the scan reads files of the folder itself only. A folder that does
// not exist or cannot be listed has no files.
std::vector<LogFileEntry> EnumerateLogFiles(const QString& folder, const QString& filter);

}  // namespace vy
