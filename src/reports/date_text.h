#pragma once
// Date and date-time texts in the locale's formats, as the report cells, the
// date fields and the HTML stamp show them, and their reading back.

#include <optional>
#include <string>

#include <QLocale>
#include <QString>

namespace vy {

class DateTexts {
public:
    // The formats of the given locale: short date with any two-digit year
    // widened to four digits; long time without a time-zone designator.
    explicit DateTexts(const QLocale& locale = QLocale::system());

    // Removes the first ":ss" from the long time format (once a scan has
    // started); harmless when already done.
    void StripSeconds();
    bool SecondsStripped() const { return stripped_; }

    QString DateFormat() const { return dateFormat_; }  // for the date fields
    QString TimeFormat() const { return timeFormat_; }

    // "<short date> <long time>", the time left out at exactly 00:00:00.
    std::string FormatDateTime(double value) const;
    // The short date alone, as a date field shows it.
    std::string FormatDate(double value) const;
    // Reads a text of FormatDateTime's form (with or without the time) back;
    // nullopt when it is not one.
    std::optional<double> ParseDateTime(const std::string& text) const;

private:
    QLocale locale_;
    QString dateFormat_;
    QString timeFormat_;
    bool stripped_ = false;
};

// The process-wide formats every report uses; the scan strips their seconds.
DateTexts& ProcessDateTexts();

}  // namespace vy
