#include "scan/file_enumeration.h"

#include <algorithm>
#include <system_error>
#include <type_traits>

#include <QStringList>

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

bool MatchesPattern(const QString& name, const QString& pattern)
{
    if (pattern.isEmpty() || pattern.contains(u'/') || pattern.contains(u'\\'))
        return false;
    if (Wildcard(name, pattern))
        return true;
    if (pattern.endsWith(QLatin1String(".*")) && !name.contains(u'.'))
        return Wildcard(name, pattern.left(pattern.size() - 2));
    return false;
}

QStringList Patterns(const QString& filter)
{
    QStringList patterns = filter.split(u';');
    for (QString& p : patterns)
        p = p.trimmed();
    patterns.removeAll(QString());
    return patterns;
}

bool MatchesAny(const QString& name, const QStringList& patterns)
{
    return std::any_of(patterns.begin(), patterns.end(), [&](const QString& p) { return MatchesPattern(name, p); });
}

// A name as shown: UTF-8 when it is valid UTF-8, else its bytes as Latin-1,
// as the lines of a log are read.
QString ShownName(const std::filesystem::path& name)
{
    if constexpr (std::is_same_v<std::filesystem::path::value_type, char>) {
        const std::string bytes = name.string();  // the bytes themselves here
        const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
        QString text = QString::fromUtf8(raw);
        if (text.toUtf8() == raw)
            return text;
        return QString::fromLatin1(raw);
    } else {
        return QString::fromStdU16String(name.u16string());
    }
}

// The files of other forms that a filter may leave out: how the warning
// names them (an extension, or the names the servers give accounting
// logs), and the pattern that reads them. The first that fits a name.
struct OtherForm {
    const char* Kind;
    const char* Pattern;
};
constexpr OtherForm kOtherForms[] = {
    {"detail*", "detail*"},          // FreeRADIUS detail files
    {"IN*.log", "IN*.log"},          // NPS and RRAS accounting logs
    {"radacct*.csv", "radacct*.csv"},  // a copy of the radacct table
    {".evtx", "*.evtx"}, {".csv", "*.csv"}, {".xml", "*.xml"},
};

std::string OtherFormKind(const QString& name)
{
    for (const OtherForm& form : kOtherForms)
        if (MatchesPattern(name, QLatin1String(form.Pattern)))
            return form.Kind;
    return {};
}

}  // namespace

std::string FilterReadingLeftOut(const std::string& filter, const std::map<std::string, int>& leftOut)
{
    std::string wider = filter;
    for (const OtherForm& form : kOtherForms)
        if (leftOut.count(form.Kind) != 0 && (";" + wider + ";").find(std::string(";") + form.Pattern + ";") == std::string::npos)
            wider += std::string(wider.empty() ? "" : ";") + form.Pattern;
    return wider;
}

LogFolder ListLogFolder(const QString& folder, const QString& filter)
{
    LogFolder result;
    if (folder.isEmpty()) {
        result.Error = "no folder named";
        return result;
    }
    const QStringList patterns = Patterns(filter);
    std::error_code ec;
    std::filesystem::directory_iterator it(std::filesystem::path(folder.toStdU16String()), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::filesystem::directory_entry& entry = *it;
        const QString name = ShownName(entry.path().filename());
        std::error_code statusError;
        // The status of what a link points to; a dangling link has none.
        const std::filesystem::file_status status = entry.status(statusError);
        const bool plain = std::filesystem::is_regular_file(status);
        if (!MatchesAny(name, patterns)) {
            if (plain) {
                const std::string kind = OtherFormKind(name);
                if (!kind.empty())
                    ++result.LeftOut[kind];
            }
            continue;
        }
        if (plain) {
            std::error_code sizeError;
            const auto size = entry.file_size(sizeError);
            result.Files.push_back({name, sizeError ? 0 : static_cast<std::int64_t>(size), entry.path()});
        } else if (entry.is_symlink(statusError) && !std::filesystem::exists(status)) {
            result.Files.push_back({name, 0, entry.path()});
        }
    }
    if (ec) {
        result.Error = ec.message();
        result.Files.clear();
        result.LeftOut.clear();
        return result;
    }
    std::sort(result.Files.begin(), result.Files.end(), [](const LogFileEntry& a, const LogFileEntry& b) {
        const int c = a.Name.compare(b.Name, Qt::CaseInsensitive);
        if (c != 0)
            return c < 0;
        if (a.Name != b.Name)
            return a.Name < b.Name;  // names differing in case only: a fixed order still
        return a.Path < b.Path;      // names shown alike (one as UTF-8, one as Latin-1)
    });
    return result;
}

}  // namespace vy
