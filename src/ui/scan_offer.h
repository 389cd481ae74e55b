#pragma once
// What the window says when a scan kept no connection, and the one click it
// offers to get them: add the left-out events to the event list, widen the
// file filter to the forms the folder holds, or set the dates to the span of
// the connections found.

#include <optional>
#include <utility>

#include <QString>
#include <QStringList>

#include "scan/scan_run.h"

namespace vy {

class DateTexts;

struct ScanOffer {
    enum class Kind { None, AddEvents, SetFilter, SetDates };
    Kind Action = Kind::None;
    QString Caption;        // the button's text
    QStringList EventIds;   // AddEvents: the IDs to add
    QString Filter;         // SetFilter: the filter that reads the folder's forms
    std::pair<double, double> Dates{0, 0};  // SetDates: first and last day
};

// The click worth offering after a scan over [initialDate, finalDate] that
// kept `kept` connections; None when nothing worth it was left out.
ScanOffer OfferAfterScan(const ScanResult& result, const DateTexts& dates, long long kept, double initialDate,
                         double finalDate);

// Why a scan over [initialDate, finalDate] of folder kept no connection,
// in sentences, for the place of the table.
QString WhyNothingWasKept(const ScanResult& result, const DateTexts& dates, const QString& folder, double initialDate,
                          double finalDate);

// "1 file", "2 files".
QString CountOf(long long n, const QString& one, const QString& many);

}  // namespace vy
