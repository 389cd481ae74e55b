#include "scan/file_enumeration.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

namespace vy {

namespace {

bool SameLetter(QChar a, QChar b) { return a == b || a.toCaseFolded() == b.toCaseFolded(); }

// Iterative wildcard match with one back-track point: linear in practice,
// never exponential however many '*' the filter holds.
bool Wildcard(const QString& name, const QString& pattern)
{
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || SameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool MatchesFileFilter(const QString& name, const QString& filter)
{
    if (Wildcard(name, filter))
        return true;
    if (filter.endsWith(QLatin1String(".*")) && !name.contains(u'.'))
        return Wildcard(name, filter.left(filter.size() - 2));
    return false;
}

std::vector<LogFileEntry> EnumerateLogFiles(const QString& folder, const QString& filter)
{
    std::vector<LogFileEntry> files;
    if (filter.isEmpty() || filter.contains(u'/') || filter.contains(u'\\'))
        return files;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return files;
    // System brings the dangling links (and devices, pipes, sockets, which
    // are sorted out below by what the link or entry really is).
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& info : entries) {
        const QString name = info.fileName();
        if (!MatchesFileFilter(name, filter))
            continue;
        if (info.isFile()) {
            files.push_back({name, info.size()});
        } else if (info.isSymLink() && !info.exists()) {
            files.push_back({name, 0});
        }
    }
    std::sort(files.begin(), files.end(), [](const LogFileEntry& a, const LogFileEntry& b) {
        const int c = a.Name.compare(b.Name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.Name < b.Name;  // names differing in case only: a fixed order still
    });
    return files;
}

}  // namespace vy
