#include "reports/date_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include "store/date_value.h"

namespace vy {

namespace {

// Reads a quoted literal of a date-time format starting at the quote at i,
// leaving i after it, the way QLocale reads it: "''" outside a quoted text is
// one quote, "''" inside it too, and a quote left open runs to the end.
void SkipQuoted(const QString& format, qsizetype& i)
{
    ++i;
    if (i < format.size() && format.at(i) == u'\'') {
        ++i;
        return;
    }
    while (i < format.size()) {
        if (format.at(i) == u'\'') {
            if (i + 1 < format.size() && format.at(i + 1) == u'\'') {
                i += 2;
                continue;
            }
            ++i;
            return;
        }
        ++i;
    }
}

qsizetype RepeatCount(const QString& format, qsizetype i)
{
    const QChar ch = format.at(i);
    qsizetype j = i;
    while (j < format.size() && format.at(j) == ch)
        ++j;
    return j - i;
}

// Copies the format with every unquoted run of `letter` replaced by what
// field(out, i, run) appends; field returns where the copying goes on.
template <typename Field>
QString Rewrite(const QString& format, QChar letter, Field field)
{
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar ch = format.at(i);
        if (ch == u'\'') {
            const qsizetype start = i;
            SkipQuoted(format, i);
            out += format.mid(start, i - start);
        } else if (ch == letter) {
            i = field(out, i, RepeatCount(format, i));
        } else {
            out += ch;
            ++i;
        }
    }
    return out;
}

// A two-digit year would read back in the wrong century (1/1/2000 as 1900),
// so every "yy" field becomes "yyyy". A run of y letters splits into fields
// as QLocale splits it: "yyyy" first, then "yy", then a lone literal "y".
QString WidenYears(const QString& format)
{
    return Rewrite(format, u'y', [](QString& out, qsizetype i, qsizetype run) {
        out += QString(4 * (run / 4), u'y');
        if (run % 4 >= 2)
            out += QStringLiteral("yyyy");
        if (run % 2 == 1)
            out += u'y';
        return i + run;
    });
}

// Drops every time-zone field ("t" and its longer forms), with the blanks
// around it and a pair of brackets directly enclosing it.
QString WithoutTimeZone(const QString& format)
{
    return Rewrite(format, u't', [&format](QString& out, qsizetype i, qsizetype run) {
        qsizetype end = i + run;
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
        return end;
    });
}

// The AM/PM fields of a format: "a", "A", "ap", "AP" and their mixed cases.
std::vector<QString> AmPmFields(const QString& format)
{
    std::vector<QString> fields;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar ch = format.at(i);
        if (ch == u'\'') {
            SkipQuoted(format, i);
            continue;
        }
        if (ch == u'a' || ch == u'A') {
            const qsizetype length =
                i + 1 < format.size() && (format.at(i + 1) == u'p' || format.at(i + 1) == u'P') ? 2 : 1;
            fields.push_back(format.mid(i, length));
            i += length;
            continue;
        }
        ++i;
    }
    return fields;
}

bool FitsLatin1(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

// Cells are single-byte text, where a locale's own digits (Arabic-Indic,
// Devanagari, ...) would all turn into "?", so the texts always use the
// digits 0 to 9.
std::string Latin1WithAsciiDigits(const QString& text, char32_t zero)
{
    if (zero == U'0') {
        const QByteArray bytes = text.toLatin1();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    std::string out;
    for (const char32_t c : text.toUcs4()) {
        if (c >= zero && c <= zero + 9)
            out += static_cast<char>('0' + (c - zero));
        else
            out += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    return out;
}

// Values that name a day of the years 1 to 9999; anything else (not a
// number, out of range) has no text.
bool Representable(double value)
{
    static const double first = *EncodeDate(1, 1, 1);
    static const double end = *EncodeDate(9999, 12, 31) + 1;
    return std::isfinite(value) && value >= first && value < end;
}

QTime TimeOf(int secondsOfDay) { return QTime(secondsOfDay / 3600, secondsOfDay / 60 % 60, secondsOfDay % 60); }

// More distinct days than any report shows: beyond it the caches start over.
constexpr std::size_t kMostDays = 400000;

}  // namespace

// A time text made, with the earliest time of day that gives it.
struct DateTexts::TimeText {
    std::string Text;
    std::int32_t Shown = -1;
};

struct DateTexts::Cache {
    std::mutex Lock;
    std::unordered_map<std::int32_t, std::string> DayText;
    std::vector<TimeText> MinuteText;  // per minute of the day, unmade until Shown is set
    std::unordered_map<std::int32_t, TimeText> SecondText;  // times off the minute

    void ForgetTimes()
    {
        MinuteText.clear();
        SecondText.clear();
    }
};

DateTexts::DateTexts(const QLocale& locale)
    : DateTexts(locale, locale.dateFormat(QLocale::ShortFormat), locale.timeFormat(QLocale::LongFormat))
{
}

DateTexts::DateTexts(const QLocale& locale, const QString& shortDateFormat, const QString& longTimeFormat)
    : locale_(locale),
      dateFormat_(WidenYears(shortDateFormat)),
      timeFormat_(WithoutTimeZone(longTimeFormat)),
      zeroDigit_(locale.zeroDigit().toUcs4().value(0, U'0')),
      cache_(std::make_unique<Cache>())
{
    ChooseMarkers();
}

DateTexts::DateTexts(const DateTexts& other)
    : locale_(other.locale_),
      dateFormat_(other.dateFormat_),
      timeFormat_(other.timeFormat_),
      stripped_(other.stripped_),
      zeroDigit_(other.zeroDigit_),
      ownMarkers_{other.ownMarkers_[0], other.ownMarkers_[1]},
      cache_(std::make_unique<Cache>())
{
}

DateTexts& DateTexts::operator=(const DateTexts& other)
{
    if (this != &other) {
        DateTexts copy(other);
        std::swap(locale_, copy.locale_);
        std::swap(dateFormat_, copy.dateFormat_);
        std::swap(timeFormat_, copy.timeFormat_);
        std::swap(stripped_, copy.stripped_);
        std::swap(zeroDigit_, copy.zeroDigit_);
        std::swap(ownMarkers_, copy.ownMarkers_);
        std::swap(cache_, copy.cache_);
    }
    return *this;
}

DateTexts::~DateTexts() = default;

// A marker that single-byte text cannot hold becomes the C locale's AM or
// PM; markers that cannot be told apart would read back as the wrong half of
// the day, so then both do.
void DateTexts::ChooseMarkers()
{
    ownMarkers_[0] = ownMarkers_[1] = true;
    for (const QString& field : AmPmFields(timeFormat_)) {
        const QString am = locale_.toString(QTime(1, 0), field);
        const QString pm = locale_.toString(QTime(13, 0), field);
        const bool apart = am.compare(pm, Qt::CaseInsensitive) != 0;
        ownMarkers_[0] = ownMarkers_[0] && apart && !am.isEmpty() && FitsLatin1(am);
        ownMarkers_[1] = ownMarkers_[1] && apart && !pm.isEmpty() && FitsLatin1(pm);
    }
}

void DateTexts::StripSeconds()
{
    const std::lock_guard lock(cache_->Lock);
    if (stripped_)
        return;
    stripped_ = true;
    const qsizetype at = timeFormat_.indexOf(QStringLiteral(":ss"));
    if (at >= 0)
        timeFormat_.remove(at, 3);
    ChooseMarkers();
    cache_->ForgetTimes();
}

const std::string& DateTexts::DatePart(int day) const
{
    Cache& cache = *cache_;
    if (const auto it = cache.DayText.find(day); it != cache.DayText.end())
        return it->second;
    if (cache.DayText.size() >= kMostDays)
        cache.DayText.clear();
    const CivilDate civil = DecodeDate(day);
    std::string text =
        Latin1WithAsciiDigits(locale_.toString(QDate(civil.Year, civil.Month, civil.Day), dateFormat_), zeroDigit_);
    return cache.DayText.emplace(day, std::move(text)).first->second;
}

const DateTexts::TimeText& DateTexts::TimePart(int secondsOfDay) const
{
    Cache& cache = *cache_;
    const bool onMinute = secondsOfDay % 60 == 0;
    const auto minute = static_cast<std::size_t>(secondsOfDay / 60);
    if (onMinute && !cache.MinuteText.empty() && cache.MinuteText[minute].Shown >= 0)
        return cache.MinuteText[minute];
    if (!onMinute)
        if (const auto it = cache.SecondText.find(secondsOfDay); it != cache.SecondText.end())
            return it->second;

    auto make = [this](int seconds) {
        const QLocale& locale = ownMarkers_[seconds >= 12 * 3600 ? 1 : 0] ? locale_ : QLocale::c();
        return Latin1WithAsciiDigits(locale.toString(TimeOf(seconds), timeFormat_), zeroDigit_);
    };
    TimeText time{make(secondsOfDay), secondsOfDay};
    // A text shows the earliest time that gives it: without seconds in the
    // format, 09:30:15 shows 09:30.
    if (const int hour = secondsOfDay - secondsOfDay % 3600; hour != secondsOfDay && make(hour) == time.Text)
        time.Shown = hour;
    else if (const int minute = secondsOfDay - secondsOfDay % 60; minute != secondsOfDay && make(minute) == time.Text)
        time.Shown = minute;

    if (!onMinute)
        return cache.SecondText.emplace(secondsOfDay, std::move(time)).first->second;
    cache.MinuteText.resize(24 * 60);
    return cache.MinuteText[static_cast<std::size_t>(secondsOfDay / 60)] = std::move(time);
}

std::string DateTexts::FormatDateTime(double value) const
{
    if (!Representable(value))
        return {};
    const int day = static_cast<int>(std::floor(value));
    const int seconds = SecondsOfDay(value);
    const std::lock_guard lock(cache_->Lock);
    std::string text = DatePart(day);
    if (seconds != 0) {
        text += ' ';
        text += TimePart(seconds).Text;
    }
    return text;
}

std::optional<std::int64_t> DateTexts::ShownSeconds(double value) const
{
    if (!Representable(value))
        return std::nullopt;
    const int day = static_cast<int>(std::floor(value));
    const int seconds = SecondsOfDay(value);
    std::int64_t moment = std::int64_t{day} * 86400;
    if (seconds != 0) {
        const std::lock_guard lock(cache_->Lock);
        moment += TimePart(seconds).Shown;
    }
    return moment;
}

std::string DateTexts::FormatDate(double value) const
{
    if (!Representable(value))
        return {};
    const std::lock_guard lock(cache_->Lock);
    return DatePart(static_cast<int>(std::floor(value)));
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
