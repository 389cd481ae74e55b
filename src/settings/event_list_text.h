#pragma once
// The event list (NEvents) as the scan reads it: five characters per ID,
// one separator between, whatever the separator is.

#include <QString>
#include <QStringList>

namespace vy {

// The IDs the scan takes from the text, in order, each as it stands in the
// text (also when it is no number).
QStringList EventListIds(const QString& list);

// Why the scan would not read the text as the list of IDs it looks like;
// empty when every ID is five digits and each stands where the scan looks.
QString EventListProblem(const QString& list);

// The list with the IDs added at its end, in the scan's form.
QString EventListWith(const QString& list, const QStringList& ids);

}  // namespace vy
