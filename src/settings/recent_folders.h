#pragma once
// The list behind File > Recent Folders, as the settings store keeps it:
// newest first, one folder a line, at most RecentFolderCount.

#include <QString>
#include <QStringList>

namespace vy {

inline constexpr int RecentFolderCount = 8;

// The folders of a stored list; empty lines and repeats are dropped, and
// what lies past the count (a hand-edited store) is not shown.
QStringList RecentFolderList(const QString& stored);

// The stored list with folder first and any earlier copy of it gone.
QString WithRecentFolder(const QString& stored, const QString& folder);

}  // namespace vy
