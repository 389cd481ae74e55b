#pragma once
// Date and date-time texts in the locale's formats, as the report cells, the
// date fields and the HTML stamp show them, and their reading back.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QLocale>
#include <QString>

namespace vy {

class DateTexts {
public:
    // The formats of the given locale: short date with any two-digit year
    // widened to four digits; long time without a time-zone designator.
    explicit DateTexts(const QLocale& locale = QLocale::system());
    // The same, from given short date and long time formats in QLocale's
    // notation instead of the locale's own (the locale still names months,
    // days and AM/PM).
    DateTexts(const QLocale& locale, const QString& shortDateFormat, const QString& longTimeFormat);

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
    std::optional<double> ParseDateTime(std::string_view text) const;

    // True when both formats are handled by the built-in reader and writer;
    // false when every text goes through QLocale instead (an unusual format).
    bool Compiled() const { return compiled_; }

private:
    // One piece of a compiled format: a field or a literal text.
    struct Token {
        enum Kind : std::uint8_t {
            Literal,
            Day,          // d
            Day2,         // dd
            DayName,      // ddd
            DayNameLong,  // dddd
            Month,        // M
            Month2,       // MM
            MonthName,    // MMM
            MonthNameLong,  // MMMM
            Year4,        // yyyy
            Hour,         // h (12-hour with an AM/PM field)
            Hour2,        // hh
            Hour24,       // H
            Hour24_2,     // HH
            Minute,       // m
            Minute2,      // mm
            Second,       // s
            Second2,      // ss
            AmPm,         // AP, A, ap, a; Variant indexes amPm_
        };
        Kind Type = Literal;
        std::uint8_t Variant = 0;
        std::string Text;  // the literal's bytes
    };
    struct Fields;

    void Compile();
    std::optional<std::vector<Token>> Tokenize(const QString& format);
    void Write(std::string& out, const std::vector<Token>& tokens, double value) const;
    bool Read(std::string_view text, std::size_t& pos, const std::vector<Token>& tokens, Fields& fields) const;
    std::optional<double> ParseCompiled(std::string_view text) const;
    std::optional<double> ParseWithLocale(std::string_view text) const;
    bool SelfCheck() const;

    QLocale locale_;
    QString dateFormat_;
    QString timeFormat_;
    bool stripped_ = false;

    bool compiled_ = false;
    bool twelveHour_ = false;
    std::vector<Token> dateTokens_;
    std::vector<Token> timeTokens_;
    std::array<std::string, 12> monthNames_;
    std::array<std::string, 12> monthNamesLong_;
    std::array<std::string, 7> dayNames_;  // Monday first, as Qt counts
    std::array<std::string, 7> dayNamesLong_;
    std::vector<std::array<std::string, 2>> amPm_;  // per AM/PM field: am, pm
    std::vector<std::pair<QString, QString>> amPmReplaced_;  // locale's marker, what is written instead
};

// The local date and time now, as days since 30 December 1899.
double CurrentDateTimeValue();

// The process-wide formats every report uses; the scan strips their seconds.
DateTexts& ProcessDateTexts();

}  // namespace vy
