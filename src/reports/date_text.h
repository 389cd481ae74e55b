#pragma once
// Date and date-time texts in the locale's formats, as the report cells, the
// date fields and the HTML stamp show them, and the moments they show.

#include <cstddef>
#include <memory>
#include <optional>
#include <cstdint>
#include <string>
#include <string_view>

#include <QLocale>
#include <QString>

namespace vy {

// The texts come from QLocale. A report has at most tens of thousands of
// distinct days and 1,440 distinct minutes, so each date part and each time
// part is made once and remembered. Texts may be made from several threads
// at once.
class DateTexts {
public:
    // The formats of the given locale: short date with any two-digit year
    // widened to four digits; long time without a time-zone designator.
    explicit DateTexts(const QLocale& locale = QLocale::system());
    // The same, from given short date and long time formats in QLocale's
    // notation instead of the locale's own (the locale still names months,
    // days and AM/PM).
    DateTexts(const QLocale& locale, const QString& shortDateFormat, const QString& longTimeFormat);
    DateTexts(const DateTexts& other);
    DateTexts& operator=(const DateTexts& other);
    ~DateTexts();

    // Removes the first ":ss" from the long time format (once a scan has
    // started); harmless when already done.
    void StripSeconds();

    QString DateFormat() const { return dateFormat_; }  // for the date fields
    QString TimeFormat() const { return timeFormat_; }

    // "<short date> <long time>", the time left out at exactly 00:00:00.
    // Digits are always 0 to 9, and AM/PM markers that single-byte text
    // cannot hold (or tell apart) are AM and PM.
    std::string FormatDateTime(double value) const;
    // The short date alone, as a date field shows it.
    std::string FormatDate(double value) const;
    // The moment FormatDateTime's text shows, in seconds since day 0 (the
    // earliest moment that gives the same text); nothing for a value without
    // a text. Ordering by it is ordering by the texts' meaning.
    std::optional<std::int64_t> ShownSeconds(double value) const;

private:
    struct Cache;
    struct TimeText;

    void ChooseMarkers();
    // The caller holds the cache's lock; the text stays until it is released.
    const std::string& DatePart(int day) const;
    const TimeText& TimePart(int secondsOfDay) const;

    QLocale locale_;
    QString dateFormat_;
    QString timeFormat_;
    bool stripped_ = false;
    char32_t zeroDigit_ = U'0';
    // Per half of the day (0 morning, 1 afternoon): whether the locale's
    // markers are written, or those of the C locale instead.
    bool ownMarkers_[2] = {true, true};
    std::unique_ptr<Cache> cache_;
};

// The local date and time now, as days since 30 December 1899.
double CurrentDateTimeValue();

// The process-wide formats every report uses; the scan strips their seconds.
DateTexts& ProcessDateTexts();

}  // namespace vy
