#pragma once
// Date and date-time texts in the locale's formats, as the report cells, the
// date fields and the HTML stamp show them, and their reading back.

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <QLocale>
#include <QString>

namespace vy {

// The texts come from QLocale. A report has at most tens of thousands of
// distinct days and 1,440 distinct minutes, so each date part and each time
// part is made once and remembered, and the texts made are read back by
// looking them up. Texts may be made and read from several threads at once.
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
    // Reads a text of FormatDateTime's form (with or without the time) back;
    // nullopt when it is not one.
    std::optional<double> ParseDateTime(std::string_view text) const;
    // Reads texts[k] into values[k] in order, up to the first text that does
    // not read; returns that text's index, or texts.size() when all read.
    std::size_t ParseDateTimes(std::span<const std::string_view> texts, std::span<double> values) const;

private:
    struct Cache;

    void ChooseMarkers();
    // The caller holds the cache's lock; the text stays until it is released.
    const std::string& DatePart(int day) const;
    const std::string& TimePart(int secondsOfDay) const;
    std::optional<double> Parse(std::string_view text) const;  // caller holds the lock
    std::optional<double> ParseWithLocale(std::string_view text) const;

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
