#include "settings/recent_folders.h"

#include <QDir>

namespace vy {

namespace {

// "/logs/" and "/logs" are one folder.
QString Same(const QString& folder) { return QDir::cleanPath(folder); }

}  // namespace

QStringList RecentFolderList(const QString& stored)
{
    QStringList folders;
    QStringList seen;
    for (const QString& line : stored.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() || seen.contains(Same(line)))
            continue;
        seen << Same(line);
        folders << line;
        if (folders.size() == RecentFolderCount)
            break;
    }
    return folders;
}

QString WithRecentFolder(const QString& stored, const QString& folder)
{
    QStringList folders = RecentFolderList(stored);
    folders.removeIf([&folder](const QString& f) { return Same(f) == Same(folder); });
    // A name that would split into two lines is not kept.
    if (!folder.trimmed().isEmpty() && !folder.contains(QLatin1Char('\n')))
        folders.prepend(folder);
    return folders.mid(0, RecentFolderCount).join(QLatin1Char('\n'));
}

}  // namespace vy
