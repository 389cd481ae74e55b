#include "ui/scan_offer.h"

#include <cmath>

#include <QDir>

#include "reports/date_text.h"
#include "store/latin1_text.h"

namespace vy {

namespace {

QString Day(const DateTexts& dates, double value) { return FromLatin1(dates.FormatDate(std::floor(value))); }

// "a", "a and b", "a, b and c".
QString Listed(const QStringList& items)
{
    if (items.size() < 2)
        return items.join(QString());
    return QStringList(items.begin(), items.end() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           items.back();
}

// The folder's other forms, as the filter reads them.
QString FilterWithLeftOut(const ScanResult& result)
{
    QStringList patterns;
    if (!result.FileFilter.trimmed().isEmpty())
        patterns << result.FileFilter;
    for (const auto& [extension, count] : result.FolderLeftOut)
        patterns << QStringLiteral("*") + QString::fromStdString(extension);
    return patterns.join(QLatin1Char(';'));
}

QStringList NotListedIds(const ScanResult& result)
{
    // The newer event first, as the event list grows.
    QStringList ids;
    for (auto it = result.EventsNotListed.rbegin(); it != result.EventsNotListed.rend(); ++it)
        ids << QString::number(it->first);
    return ids;
}

long long ConnectionsRead(const ScanResult& result)
{
    long long n = 0;
    for (const auto& file : result.Files)
        n += file.Connections;
    return n;
}

bool SpanOutside(const ScanResult& result, double initialDate, double finalDate)
{
    return result.ConnectionSpan &&
           (result.ConnectionSpan->first < initialDate || result.ConnectionSpan->second >= finalDate + 1);
}

}  // namespace

QString CountOf(long long n, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

ScanOffer OfferAfterScan(const ScanResult& result, const DateTexts& dates, long long kept, double initialDate,
                         double finalDate)
{
    ScanOffer offer;
    if (!result.EventsNotListed.empty()) {
        offer.Action = ScanOffer::Kind::AddEvents;
        offer.EventIds = NotListedIds(result);
        offer.Caption = QStringLiteral("Add %1 to the event list and scan again").arg(Listed(offer.EventIds));
    } else if (result.LogFileList.empty() && !result.FolderLeftOut.empty()) {
        offer.Action = ScanOffer::Kind::SetFilter;
        offer.Filter = FilterWithLeftOut(result);
        offer.Caption = QStringLiteral("Set the file filter to \"%1\" and scan again").arg(offer.Filter);
    } else if (kept == 0 && SpanOutside(result, initialDate, finalDate)) {
        offer.Action = ScanOffer::Kind::SetDates;
        offer.Dates = {std::floor(result.ConnectionSpan->first), std::floor(result.ConnectionSpan->second)};
        offer.Caption = QStringLiteral("Set the dates to %1 - %2 and scan again")
                            .arg(Day(dates, offer.Dates.first), Day(dates, offer.Dates.second));
    }
    return offer;
}

QString WhyNothingWasKept(const ScanResult& result, const DateTexts& dates, const QString& folder, double initialDate,
                          double finalDate)
{
    const QString where = QDir::toNativeSeparators(folder);
    if (result.FolderError)
        return QStringLiteral("The folder %1 could not be read: %2").arg(where, FromLatin1(*result.FolderError));
    if (result.LogFileList.empty()) {
        QString text = QStringLiteral("No file in %1 matches the file filter \"%2\".").arg(where, result.FileFilter);
        QStringList held;
        for (const auto& [extension, count] : result.FolderLeftOut)
            held << CountOf(count, QString::fromStdString(extension) + QStringLiteral(" file"),
                            QString::fromStdString(extension) + QStringLiteral(" files"));
        if (!held.isEmpty())
            text += QStringLiteral(" The folder holds %1.").arg(Listed(held));
        return text;
    }
    const long long read = ConnectionsRead(result);
    const bool readKnown = !result.Files.empty() || result.ConnectionSpan.has_value();
    if (read == 0 && !result.EventsNotListed.empty()) {
        long long events = 0;
        for (const auto& [id, count] : result.EventsNotListed)
            events += count;
        return QStringLiteral("%1 found, but %2 not in the event list (Options > Configuration).")
            .arg(CountOf(events, QStringLiteral("connection event was"), QStringLiteral("connection events were")),
                 Listed(NotListedIds(result)) + (result.EventsNotListed.size() == 1 ? QStringLiteral(" is")
                                                                                     : QStringLiteral(" are")));
    }
    if (readKnown && read == 0 && !result.ConnectionSpan) {
        // Name the files, a few of them at most.
        constexpr int shown = 5;
        QStringList names;
        for (const QString& name : result.LogFileList) {
            if (names.size() == shown)
                break;
            names << name;
        }
        const auto more = static_cast<long long>(result.LogFileList.size()) - names.size();
        if (more > 0)
            names << CountOf(more, QStringLiteral("other"), QStringLiteral("others"));
        return QStringLiteral("The %1 read %2 no connection events: %3.")
            .arg(CountOf(static_cast<long long>(result.LogFileList.size()), QStringLiteral("file"),
                         QStringLiteral("files")),
                 result.LogFileList.size() == 1 ? QStringLiteral("holds") : QStringLiteral("hold"), Listed(names));
    }
    if (SpanOutside(result, initialDate, finalDate))
        return QStringLiteral("The connections in %1 run from %2 to %3, outside %4 - %5.")
            .arg(where, Day(dates, result.ConnectionSpan->first), Day(dates, result.ConnectionSpan->second),
                 Day(dates, initialDate), Day(dates, finalDate));
    if (result.ConnectionSpan)
        return QStringLiteral("Every connection from %1 to %2 is left out by the exclusion lists (Options > "
                              "Configuration).")
            .arg(Day(dates, initialDate), Day(dates, finalDate));
    return QStringLiteral("No connections from %1 to %2 in %3").arg(Day(dates, initialDate), Day(dates, finalDate), where);
}

}  // namespace vy
