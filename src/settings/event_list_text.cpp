#include "settings/event_list_text.h"

#include <algorithm>

namespace vy {

namespace {

constexpr int kIdLength = 5;
constexpr int kSlot = kIdLength + 1;  // an ID and its separator

bool AllDigits(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

QStringList EventListIds(const QString& list)
{
    QStringList ids;
    for (qsizetype slot = 0; slot < (list.size() + 1) / kSlot; ++slot)
        ids << list.mid(slot * kSlot, kIdLength);
    return ids;
}

QString EventListProblem(const QString& list)
{
    if (list.isEmpty())
        return QStringLiteral("Empty: no connection event would be read.");
    const QStringList ids = EventListIds(list);
    for (const QString& id : ids)
        if (!AllDigits(id))
            return QStringLiteral("\"%1\" is read as an ID: give five digits each, one character "
                                  "between two.")
                .arg(id);
    // What the last whole slot leaves over is never read.
    const qsizetype read = ids.size() * kSlot - 1;
    if (list.size() != read)
        return QStringLiteral("\"%1\" at the end is not read: give five digits each, one character "
                              "between two.")
            .arg(list.mid(std::max<qsizetype>(read, 0)));
    return QString();
}

QString EventListWith(const QString& list, const QStringList& ids)
{
    QString out = list;
    for (const QString& id : ids) {
        if (EventListIds(out).contains(id))
            continue;
        out += (out.isEmpty() ? QString() : QStringLiteral(";")) + id;
    }
    return out;
}

}  // namespace vy
