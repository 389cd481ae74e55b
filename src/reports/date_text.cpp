#include "reports/date_text.h"

#include <cmath>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include "store/date_value.h"

namespace vy {

namespace {

// Reads a quoted literal of a date-time format starting at the quote at i,
// leaving i after it, the way QLocale reads it: "''" outside a quoted text is
// one quote, "''" inside it too, and a quote left open runs to the end.
QString ReadQuoted(const QString& format, qsizetype& i)
{
    ++i;
    if (i == format.size())
        return {};
    if (format.at(i) == u'\'') {
        ++i;
        return QStringLiteral("'");
    }
    QString result;
    while (i < format.size()) {
        if (format.at(i) == u'\'') {
            if (i + 1 < format.size() && format.at(i + 1) == u'\'') {
                result.append(u'\'');
                i += 2;
            } else {
                break;
            }
        } else {
            result.append(format.at(i++));
        }
    }
    if (i < format.size())
        ++i;
    return result;
}

// Copies the quoted section starting at i unchanged, leaving i after it.
void CopyQuoted(const QString& format, qsizetype& i, QString& out)
{
    const qsizetype start = i;
    ReadQuoted(format, i);
    out += format.mid(start, i - start);
}

qsizetype RepeatCount(const QString& format, qsizetype i)
{
    const QChar ch = format.at(i);
    qsizetype j = i;
    while (j < format.size() && format.at(j) == ch)
        ++j;
    return j - i;
}

// A two-digit year would read back in the wrong century (1/1/2000 as 1900),
// so every "yy" field becomes "yyyy". A run of y letters splits into fields
// as QLocale splits it: "yyyy" first, then "yy", then a lone literal "y".
QString WidenYears(const QString& format)
{
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar ch = format.at(i);
        if (ch == u'\'') {
            CopyQuoted(format, i, out);
            continue;
        }
        if (ch != u'y') {
            out += ch;
            ++i;
            continue;
        }
        const qsizetype run = RepeatCount(format, i);
        out += QString(4 * (run / 4), u'y');
        if (run % 4 >= 2)
            out += QStringLiteral("yyyy");
        if (run % 2 == 1)
            out += u'y';
        i += run;
    }
    return out;
}

// Drops every time-zone field ("t" and its longer forms), with the blanks
// around it and a pair of brackets directly enclosing it.
QString WithoutTimeZone(const QString& format)
{
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar ch = format.at(i);
        if (ch == u'\'') {
            CopyQuoted(format, i, out);
            continue;
        }
        if (ch != u't') {
            out += ch;
            ++i;
            continue;
        }
        qsizetype end = i + RepeatCount(format, i);
        if (!out.isEmpty() && out.back() == u'(' && end < format.size() && format.at(end) == u')') {
            out.chop(1);
            ++end;
        }
        bool blanks = false;
        while (!out.isEmpty() && out.back() == u' ') {
            out.chop(1);
            blanks = true;
        }
        while (end < format.size() && format.at(end) == u' ') {
            ++end;
            blanks = true;
        }
        if (blanks && !out.isEmpty() && end < format.size())
            out += u' ';
        i = end;
    }
    return out;
}

bool FitsLatin1(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

std::string Latin1(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void AppendNumber(std::string& out, int value, int width)
{
    char buffer[16];
    int n = 0;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        buffer[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    for (int pad = n; pad < width; ++pad)
        out += '0';
    while (n > 0)
        out += buffer[--n];
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (prefix.size() > text.size())
        return false;
    for (std::size_t k = 0; k < prefix.size(); ++k) {
        if (LowerAscii(text[k]) != LowerAscii(prefix[k]))
            return false;
    }
    return true;
}

// Reads minDigits to maxDigits decimal digits, as many as there are.
bool ReadNumber(std::string_view text, std::size_t& pos, int minDigits, int maxDigits, int& value)
{
    int digits = 0;
    int result = 0;
    while (digits < maxDigits && pos + static_cast<std::size_t>(digits) < text.size()) {
        const char c = text[pos + static_cast<std::size_t>(digits)];
        if (c < '0' || c > '9')
            break;
        result = result * 10 + (c - '0');
        ++digits;
    }
    if (digits < minDigits)
        return false;
    pos += static_cast<std::size_t>(digits);
    value = result;
    return true;
}

// The index of the longest name that the text starts with, letter case
// aside; -1 when none does, or when two names fit equally (names that
// Latin-1 turned into question marks), so that no date is read wrongly.
template <std::size_t N>
int ReadName(std::string_view text, std::size_t& pos, const std::array<std::string, N>& names)
{
    int found = -1;
    bool ambiguous = false;
    std::size_t length = 0;
    for (std::size_t k = 0; k < N; ++k) {
        const std::string& name = names[k];
        if (name.empty() || name.size() < length || !StartsWithNoCase(text.substr(pos), name))
            continue;
        ambiguous = name.size() == length;
        if (!ambiguous)
            found = static_cast<int>(k);
        length = name.size();
    }
    if (found < 0 || ambiguous)
        return -1;
    pos += length;
    return found;
}

// Values that name a day of the years 1 to 9999; anything else (not a
// number, out of range) has no text.
bool Representable(double value)
{
    static const double first = *EncodeDate(1, 1, 1);
    static const double end = *EncodeDate(9999, 12, 31) + 1;
    return std::isfinite(value) && value >= first && value < end;
}

// Monday 1 to Sunday 7, as QDate counts.
int IsoDayOfWeek(double value) { return (DayOfWeek(value) + 5) % 7 + 1; }

std::optional<double> ValueOf(const QDate& date, const QTime& time)
{
    const auto day = EncodeDate(date.year(), date.month(), date.day());
    const auto clock = EncodeTime(time.hour(), time.minute(), time.second());
    if (!day || !clock)
        return std::nullopt;
    return *day + *clock;
}

}  // namespace

struct DateTexts::Fields {
    int Year = 1900;
    int Month = 1;
    int Day = 1;
    int IsoWeekday = 0;  // 0 when the text names no weekday
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Hour12 = -1;  // an hour read on the 12-hour clock
    int Pm = -1;      // 0 am, 1 pm, -1 not read
};

DateTexts::DateTexts(const QLocale& locale)
    : DateTexts(locale, locale.dateFormat(QLocale::ShortFormat), locale.timeFormat(QLocale::LongFormat))
{
}

DateTexts::DateTexts(const QLocale& locale, const QString& shortDateFormat, const QString& longTimeFormat)
    : locale_(locale)
{
    dateFormat_ = WidenYears(shortDateFormat);
    timeFormat_ = WithoutTimeZone(longTimeFormat);

    const QDate january(2001, 1, 1);  // a Monday
    for (int m = 1; m <= 12; ++m) {
        const QDate date(2001, m, 1);
        monthNames_[static_cast<std::size_t>(m - 1)] = Latin1(locale_.toString(date, QStringLiteral("MMM")));
        monthNamesLong_[static_cast<std::size_t>(m - 1)] = Latin1(locale_.toString(date, QStringLiteral("MMMM")));
    }
    for (int d = 0; d < 7; ++d) {
        const QDate date = january.addDays(d);
        dayNames_[static_cast<std::size_t>(d)] = Latin1(locale_.toString(date, QStringLiteral("ddd")));
        dayNamesLong_[static_cast<std::size_t>(d)] = Latin1(locale_.toString(date, QStringLiteral("dddd")));
    }
    Compile();
}

void DateTexts::StripSeconds()
{
    if (stripped_)
        return;
    stripped_ = true;
    const qsizetype at = timeFormat_.indexOf(QStringLiteral(":ss"));
    if (at >= 0)
        timeFormat_.remove(at, 3);
    Compile();
}

std::optional<std::vector<DateTexts::Token>> DateTexts::Tokenize(const QString& format)
{
    std::vector<Token> tokens;
    auto literal = [&tokens](const QString& text) {
        if (text.isEmpty())
            return;
        if (tokens.empty() || tokens.back().Type != Token::Literal)
            tokens.push_back(Token{});
        tokens.back().Text += Latin1(text);
    };
    auto field = [&tokens](Token::Kind kind) {
        Token token;
        token.Type = kind;
        tokens.push_back(token);
    };

    qsizetype i = 0;
    while (i < format.size()) {
        const QChar ch = format.at(i);
        if (ch == u'\'') {
            literal(ReadQuoted(format, i));
            continue;
        }
        qsizetype repeat = RepeatCount(format, i);
        switch (ch.unicode()) {
        case 'y':
            if (repeat >= 4) {
                field(Token::Year4);
                repeat = 4;
            } else if (repeat >= 2) {
                return std::nullopt;  // widened away; never expected here
            } else {
                literal(QString(ch));
                repeat = 1;
            }
            break;
        case 'd':
            repeat = std::min<qsizetype>(repeat, 4);
            field(repeat == 1 ? Token::Day : repeat == 2 ? Token::Day2 : repeat == 3 ? Token::DayName : Token::DayNameLong);
            break;
        case 'M':
            repeat = std::min<qsizetype>(repeat, 4);
            field(repeat == 1   ? Token::Month
                  : repeat == 2 ? Token::Month2
                  : repeat == 3 ? Token::MonthName
                                : Token::MonthNameLong);
            break;
        case 'h':
            repeat = std::min<qsizetype>(repeat, 2);
            field(repeat == 1 ? Token::Hour : Token::Hour2);
            break;
        case 'H':
            repeat = std::min<qsizetype>(repeat, 2);
            field(repeat == 1 ? Token::Hour24 : Token::Hour24_2);
            break;
        case 'm':
            repeat = std::min<qsizetype>(repeat, 2);
            field(repeat == 1 ? Token::Minute : Token::Minute2);
            break;
        case 's':
            repeat = std::min<qsizetype>(repeat, 2);
            field(repeat == 1 ? Token::Second : Token::Second2);
            break;
        case 'a':
        case 'A': {
            repeat = i + 1 < format.size() && (format.at(i + 1) == u'p' || format.at(i + 1) == u'P') ? 2 : 1;
            const QString source = format.mid(i, repeat);
            const QString am = locale_.toString(QTime(1, 0), source);
            const QString pm = locale_.toString(QTime(13, 0), source);
            // A marker that single-byte text cannot hold becomes AM or PM;
            // markers that cannot be told apart would read back as the
            // wrong half of the day, so then both do.
            const bool lower = source == source.toLower();
            const std::array<QString, 2> markers = {am, pm};
            const std::array<QString, 2> plain = {QString::fromLatin1(lower ? "am" : "AM"),
                                                  QString::fromLatin1(lower ? "pm" : "PM")};
            std::array<QString, 2> chosen = markers;
            for (std::size_t k = 0; k < 2; ++k) {
                if (!FitsLatin1(chosen[k]) || chosen[k].isEmpty())
                    chosen[k] = plain[k];
            }
            if (chosen[0].compare(chosen[1], Qt::CaseInsensitive) == 0)
                chosen = plain;
            for (std::size_t k = 0; k < 2; ++k) {
                if (chosen[k] != markers[k])
                    amPmReplaced_.push_back({markers[k], chosen[k]});
            }
            amPm_.push_back({Latin1(chosen[0]), Latin1(chosen[1])});
            Token token;
            token.Type = Token::AmPm;
            token.Variant = static_cast<std::uint8_t>(amPm_.size() - 1);
            tokens.push_back(token);
            break;
        }
        case 'z':
        case 't':
            return std::nullopt;  // fields these texts never carry
        default:
            literal(QString(ch));
            repeat = 1;
            break;
        }
        i += repeat;
    }
    return tokens;
}

void DateTexts::Compile()
{
    amPm_.clear();
    amPmReplaced_.clear();
    auto date = Tokenize(dateFormat_);
    auto time = Tokenize(timeFormat_);
    compiled_ = date.has_value() && time.has_value() && amPm_.size() < 256;
    dateTokens_ = compiled_ ? std::move(*date) : std::vector<Token>{};
    timeTokens_ = compiled_ ? std::move(*time) : std::vector<Token>{};

    // QLocale counts "h" as a 12-hour field when the format has an unquoted
    // "a" or "A" anywhere.
    twelveHour_ = !amPm_.empty();
    if (compiled_ && !SelfCheck()) {
        compiled_ = false;
        dateTokens_.clear();
        timeTokens_.clear();
    }
}

void DateTexts::Write(std::string& out, const std::vector<Token>& tokens, double value) const
{
    const CivilDate date = DecodeDate(value);
    const int seconds = SecondsOfDay(value);
    const int hour = seconds / 3600;
    const int minute = seconds / 60 % 60;
    const int second = seconds % 60;
    int hour12 = hour % 12;
    if (hour12 == 0)
        hour12 = 12;

    for (const Token& token : tokens) {
        switch (token.Type) {
        case Token::Literal: out += token.Text; break;
        case Token::Day: AppendNumber(out, date.Day, 1); break;
        case Token::Day2: AppendNumber(out, date.Day, 2); break;
        case Token::DayName: out += dayNames_[static_cast<std::size_t>(IsoDayOfWeek(value) - 1)]; break;
        case Token::DayNameLong: out += dayNamesLong_[static_cast<std::size_t>(IsoDayOfWeek(value) - 1)]; break;
        case Token::Month: AppendNumber(out, date.Month, 1); break;
        case Token::Month2: AppendNumber(out, date.Month, 2); break;
        case Token::MonthName: out += monthNames_[static_cast<std::size_t>(date.Month - 1)]; break;
        case Token::MonthNameLong: out += monthNamesLong_[static_cast<std::size_t>(date.Month - 1)]; break;
        case Token::Year4: AppendNumber(out, date.Year, 4); break;
        case Token::Hour: AppendNumber(out, twelveHour_ ? hour12 : hour, 1); break;
        case Token::Hour2: AppendNumber(out, twelveHour_ ? hour12 : hour, 2); break;
        case Token::Hour24: AppendNumber(out, hour, 1); break;
        case Token::Hour24_2: AppendNumber(out, hour, 2); break;
        case Token::Minute: AppendNumber(out, minute, 1); break;
        case Token::Minute2: AppendNumber(out, minute, 2); break;
        case Token::Second: AppendNumber(out, second, 1); break;
        case Token::Second2: AppendNumber(out, second, 2); break;
        case Token::AmPm: out += amPm_[token.Variant][hour < 12 ? 0 : 1]; break;
        }
    }
}

bool DateTexts::Read(std::string_view text, std::size_t& pos, const std::vector<Token>& tokens, Fields& fields) const
{
    for (const Token& token : tokens) {
        bool ok = true;
        switch (token.Type) {
        case Token::Literal:
            ok = text.substr(pos).starts_with(token.Text);
            if (ok)
                pos += token.Text.size();
            break;
        case Token::Day: ok = ReadNumber(text, pos, 1, 2, fields.Day); break;
        case Token::Day2: ok = ReadNumber(text, pos, 2, 2, fields.Day); break;
        case Token::DayName:
            fields.IsoWeekday = ReadName(text, pos, dayNames_) + 1;
            ok = fields.IsoWeekday > 0;
            break;
        case Token::DayNameLong:
            fields.IsoWeekday = ReadName(text, pos, dayNamesLong_) + 1;
            ok = fields.IsoWeekday > 0;
            break;
        case Token::Month: ok = ReadNumber(text, pos, 1, 2, fields.Month); break;
        case Token::Month2: ok = ReadNumber(text, pos, 2, 2, fields.Month); break;
        case Token::MonthName:
            fields.Month = ReadName(text, pos, monthNames_) + 1;
            ok = fields.Month > 0;
            break;
        case Token::MonthNameLong:
            fields.Month = ReadName(text, pos, monthNamesLong_) + 1;
            ok = fields.Month > 0;
            break;
        case Token::Year4: ok = ReadNumber(text, pos, 4, 4, fields.Year); break;
        case Token::Hour:
        case Token::Hour2: {
            const int digits = token.Type == Token::Hour ? 1 : 2;
            int value = 0;
            ok = ReadNumber(text, pos, digits, 2, value);
            if (ok && twelveHour_) {
                ok = value <= 12;
                fields.Hour12 = value;
            } else {
                fields.Hour = value;
            }
            break;
        }
        case Token::Hour24: ok = ReadNumber(text, pos, 1, 2, fields.Hour); break;
        case Token::Hour24_2: ok = ReadNumber(text, pos, 2, 2, fields.Hour); break;
        case Token::Minute: ok = ReadNumber(text, pos, 1, 2, fields.Minute); break;
        case Token::Minute2: ok = ReadNumber(text, pos, 2, 2, fields.Minute); break;
        case Token::Second: ok = ReadNumber(text, pos, 1, 2, fields.Second); break;
        case Token::Second2: ok = ReadNumber(text, pos, 2, 2, fields.Second); break;
        case Token::AmPm: {
            const auto& texts = amPm_[token.Variant];
            const std::string_view rest = text.substr(pos);
            // The longer text first, so that neither shadows the other.
            const int first = texts[0].size() >= texts[1].size() ? 0 : 1;
            ok = false;
            for (const int k : {first, 1 - first}) {
                const std::string& candidate = texts[static_cast<std::size_t>(k)];
                if (!candidate.empty() && StartsWithNoCase(rest, candidate)) {
                    fields.Pm = k;
                    pos += candidate.size();
                    ok = true;
                    break;
                }
            }
            break;
        }
        }
        if (!ok)
            return false;
    }
    return true;
}

std::optional<double> DateTexts::ParseCompiled(std::string_view text) const
{
    Fields fields;
    std::size_t pos = 0;
    if (!Read(text, pos, dateTokens_, fields))
        return std::nullopt;
    if (pos != text.size()) {
        if (text[pos] != ' ')
            return std::nullopt;
        ++pos;
        if (!Read(text, pos, timeTokens_, fields) || pos != text.size())
            return std::nullopt;
    }
    if (fields.Hour12 >= 0)
        fields.Hour = fields.Hour12 % 12 + (fields.Pm == 1 ? 12 : 0);

    const auto day = EncodeDate(fields.Year, fields.Month, fields.Day);
    const auto clock = EncodeTime(fields.Hour, fields.Minute, fields.Second);
    if (!day || !clock)
        return std::nullopt;
    if (fields.IsoWeekday != 0 && fields.IsoWeekday != IsoDayOfWeek(*day))
        return std::nullopt;
    return *day + *clock;
}

std::optional<double> DateTexts::ParseWithLocale(std::string_view text) const
{
    const QString qtext = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    const QDateTime both = locale_.toDateTime(qtext, dateFormat_ + u' ' + timeFormat_);
    if (both.isValid())
        return ValueOf(both.date(), both.time());
    const QDate date = locale_.toDate(qtext, dateFormat_);
    if (date.isValid())
        return ValueOf(date, QTime(0, 0));
    return std::nullopt;
}

namespace {

// Cells are single-byte text, where a locale's own digits (Arabic-Indic,
// Devanagari, ...) would all turn into "?", so the texts always use the
// digits 0 to 9; everything else is what QLocale writes.
QString AsciiDigits(QString text, const QLocale& locale)
{
    const QString zero = locale.zeroDigit();
    if (zero == u"0")
        return text;
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        bool replaced = false;
        for (int d = 0; d <= 9 && !replaced; ++d) {
            // A digit may take two UTF-16 units, so compare whole digits.
            QString digit = zero;
            if (zero.size() == 1) {
                digit = QString(QChar(zero.at(0).unicode() + d));
            } else if (zero.size() == 2) {
                const char32_t code = QChar::surrogateToUcs4(zero.at(0), zero.at(1)) + static_cast<char32_t>(d);
                digit = QString::fromUcs4(&code, 1);
            }
            if (QStringView(text).mid(i).startsWith(digit)) {
                out += QChar(u'0' + d);
                i += digit.size();
                replaced = true;
            }
        }
        if (!replaced)
            out += text.at(i++);
    }
    return out;
}

}  // namespace

// Both compiled formats must write exactly what QLocale writes (but for the
// digits and unwritable AM/PM markers) and read their own texts back to the same value; a format that
// does not is left to QLocale.
bool DateTexts::SelfCheck() const
{
    struct Sample {
        int Year, Month, Day, Hour, Minute, Second;
    };
    static constexpr Sample samples[] = {
        {1998, 10, 5, 9, 30, 7},   {2004, 2, 29, 12, 5, 59}, {2025, 12, 31, 23, 0, 0}, {2011, 11, 11, 13, 45, 30},
        {1999, 7, 4, 10, 1, 2},    {2000, 1, 1, 0, 0, 0},    {1987, 3, 9, 15, 6, 0},   {2030, 6, 20, 11, 59, 1},
        {2026, 1, 17, 0, 0, 0},    {2019, 8, 25, 21, 17, 44},
    };
    for (const Sample& s : samples) {
        const double value = *EncodeDate(s.Year, s.Month, s.Day) + *EncodeTime(s.Hour, s.Minute, s.Second);
        const QDate date(s.Year, s.Month, s.Day);
        const QTime time(s.Hour, s.Minute, s.Second);
        QString expected = locale_.toString(date, dateFormat_);
        if (s.Hour != 0 || s.Minute != 0 || s.Second != 0)
            expected += u' ' + locale_.toString(time, timeFormat_);

        std::string written = FormatDate(value);
        if (s.Hour != 0 || s.Minute != 0 || s.Second != 0) {
            written += ' ';
            Write(written, timeTokens_, value);
        }
        for (const auto& [marker, replacement] : amPmReplaced_) {
            if (!marker.isEmpty())
                expected.replace(marker, replacement);
        }
        if (written != Latin1(AsciiDigits(expected, locale_)))
            return false;

        const auto read = ParseCompiled(written);
        if (!read)
            return false;
        std::string again = FormatDate(*read);
        if (SecondsOfDay(*read) != 0) {
            again += ' ';
            Write(again, timeTokens_, *read);
        }
        if (again != written)
            return false;
        const auto reference = ParseWithLocale(written);
        if (reference && *reference != *read)
            return false;
    }
    return true;
}

std::string DateTexts::FormatDateTime(double value) const
{
    if (!Representable(value))
        return {};
    if (!compiled_) {
        const CivilDate civil = DecodeDate(value);
        const int seconds = SecondsOfDay(value);
        const QDate date(civil.Year, civil.Month, civil.Day);
        QString text = locale_.toString(date, dateFormat_);
        if (seconds != 0)
            text += u' ' + locale_.toString(QTime(seconds / 3600, seconds / 60 % 60, seconds % 60), timeFormat_);
        return Latin1(text);
    }
    std::string text;
    text.reserve(24);
    Write(text, dateTokens_, value);
    if (SecondsOfDay(value) != 0) {
        text += ' ';
        Write(text, timeTokens_, value);
    }
    return text;
}

std::string DateTexts::FormatDate(double value) const
{
    if (!Representable(value))
        return {};
    if (!compiled_) {
        const CivilDate civil = DecodeDate(value);
        return Latin1(locale_.toString(QDate(civil.Year, civil.Month, civil.Day), dateFormat_));
    }
    std::string text;
    Write(text, dateTokens_, value);
    return text;
}

std::optional<double> DateTexts::ParseDateTime(const std::string& text) const
{
    return ParseDateTime(std::string_view(text));
}

std::optional<double> DateTexts::ParseDateTime(std::string_view text) const
{
    return compiled_ ? ParseCompiled(text) : ParseWithLocale(text);
}

DateTexts& ProcessDateTexts()
{
    static DateTexts texts(QLocale::system());
    return texts;
}

double CurrentDateTimeValue()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const double day = EncodeDate(date.year(), date.month(), date.day()).value_or(0.0);
    return day + now.time().msecsSinceStartOfDay() / 86400000.0;
}

}  // namespace vy
