#include "reports/date_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include "store/date_value.h"
#include "support/fixtures.h"

namespace vy {
namespace {

using testing::At;

const QLocale kUnitedStates(QLocale::English, QLocale::UnitedStates);
const QLocale kGermany(QLocale::German, QLocale::Germany);

TEST(DateTextsFormats, CLocaleDropsTimeZoneAndKeepsFourDigitYear)
{
    DateTexts texts(QLocale::c());
    EXPECT_EQ(texts.DateFormat(), QStringLiteral("d MMM yyyy"));
    EXPECT_EQ(texts.TimeFormat(), QStringLiteral("HH:mm:ss"));
}

TEST(DateTextsFormats, TwoDigitYearsAreWidened)
{
    EXPECT_EQ(DateTexts(kUnitedStates).DateFormat(), QStringLiteral("M/d/yyyy"));
    EXPECT_EQ(DateTexts(kGermany).DateFormat(), QStringLiteral("dd.MM.yyyy"));
    // Already four digits: left alone.
    EXPECT_EQ(DateTexts(QLocale(QLocale::English, QLocale::UnitedKingdom)).DateFormat(), QStringLiteral("dd/MM/yyyy"));
}

TEST(DateTextsFormats, TimeZoneGoesWithItsBlanksAndBrackets)
{
    EXPECT_EQ(DateTexts(kUnitedStates).TimeFormat(), QStringLiteral("h:mm:ss AP"));
    EXPECT_EQ(DateTexts(QLocale(QLocale::Chinese, QLocale::China)).TimeFormat(), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(DateTexts(QLocale(QLocale::Pashto, QLocale::Afghanistan)).TimeFormat(), QStringLiteral("H:mm:ss"));
}

TEST(DateTextsFormats, StripSecondsRemovesTheFirstSecondsFieldOnce)
{
    DateTexts texts(kUnitedStates);
    texts.StripSeconds();
    EXPECT_EQ(texts.TimeFormat(), QStringLiteral("h:mm AP"));
    texts.StripSeconds();
    EXPECT_EQ(texts.TimeFormat(), QStringLiteral("h:mm AP"));

    // A format written with dots has no ":ss" to remove.
    DateTexts finnish(QLocale(QLocale::Finnish, QLocale::Finland));
    finnish.StripSeconds();
    EXPECT_EQ(finnish.TimeFormat(), QStringLiteral("H.mm.ss"));
}

DateTexts Custom(const char* date, const char* time)
{
    return DateTexts(QLocale::c(), QString::fromLatin1(date), QString::fromLatin1(time));
}

TEST(DateTextsFormats, YearRunsWidenAsQLocaleSplitsThem)
{
    EXPECT_EQ(Custom("d/M/yy", "HH:mm").DateFormat(), QStringLiteral("d/M/yyyy"));
    EXPECT_EQ(Custom("yy-MM-dd", "HH:mm").DateFormat(), QStringLiteral("yyyy-MM-dd"));
    // "yyy" is "yy" and a literal "y"; "yyyyyy" is "yyyy" and "yy".
    EXPECT_EQ(Custom("d yyy", "HH:mm").DateFormat(), QStringLiteral("d yyyyy"));
    EXPECT_EQ(Custom("d yyyyyy", "HH:mm").DateFormat(), QStringLiteral("d yyyyyyyy"));
    EXPECT_EQ(Custom("d y", "HH:mm").DateFormat(), QStringLiteral("d y"));
    // Quoted text is no field.
    EXPECT_EQ(Custom("'yy''yy' d.M.yy", "HH:mm").DateFormat(), QStringLiteral("'yy''yy' d.M.yyyy"));
}

TEST(DateTextsFormats, TimeZoneFieldsOfEveryShapeGo)
{
    EXPECT_EQ(Custom("d", "t HH:mm:ss").TimeFormat(), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(Custom("d", "HH:mm:ss tttt").TimeFormat(), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(Custom("d", "HH:mm:ss (t)").TimeFormat(), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(Custom("d", "HH:mm t ss").TimeFormat(), QStringLiteral("HH:mm ss"));
    EXPECT_EQ(Custom("d", "HH:mm:sst").TimeFormat(), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(Custom("d", "HH:mm 'at' t").TimeFormat(), QStringLiteral("HH:mm 'at'"));
}

TEST(DateTextsFormat, CustomFormatsWriteAndReadLikeQLocale)
{
    struct Case {
        const char* Date;
        const char* Time;
    };
    const Case cases[] = {
        {"d 'de' MMMM 'de' yyyy", "HH:mm:ss"}, {"ddd d MMM yyyy", "hh:mm:ss a"}, {"dddd, dd.MM.yyyy", "H:mm:ss AP"},
        {"yyyy''MM''dd", "h:m:s ap"},          {"d MMM yyyy", "HH:mm:ss.zzz"},
    };
    const double values[] = {At(1998, 10, 5, 9, 3, 4), At(2000, 1, 1), At(2026, 7, 19, 12, 0, 30),
                             At(2025, 12, 31, 23, 59, 59), At(1999, 2, 28, 0, 0, 1)};
    for (const Case& c : cases) {
        DateTexts texts = Custom(c.Date, c.Time);
        for (const bool strip : {false, true}) {
            if (strip)
                texts.StripSeconds();
            for (const double value : values) {
                const CivilDate civil = DecodeDate(value);
                const int secs = SecondsOfDay(value);
                const QDate date(civil.Year, civil.Month, civil.Day);
                QString expected = QLocale::c().toString(date, texts.DateFormat());
                if (secs != 0)
                    expected += u' ' + QLocale::c().toString(QTime(secs / 3600, secs / 60 % 60, secs % 60),
                                                             texts.TimeFormat());
                const std::string text = texts.FormatDateTime(value);
                EXPECT_EQ(text, expected.toStdString()) << c.Date << " " << c.Time;
                const int shown = texts.TimeFormat().contains(u's') ? secs : secs - secs % 60;
                EXPECT_EQ(texts.ShownSeconds(value), std::llround(std::floor(value) * 86400) + shown) << text;
            }
        }
    }
}

TEST(DateTextsFormat, CLocaleCellsAndDateFields)
{
    DateTexts texts(QLocale::c());
    EXPECT_EQ(texts.FormatDateTime(At(1998, 10, 5, 9, 30, 15)), "5 Oct 1998 09:30:15");
    texts.StripSeconds();
    EXPECT_EQ(texts.FormatDateTime(At(1998, 10, 5, 9, 30, 15)), "5 Oct 1998 09:30");
    EXPECT_EQ(texts.FormatDateTime(At(1998, 10, 5, 9, 30)), "5 Oct 1998 09:30");
    EXPECT_EQ(texts.FormatDate(At(1998, 10, 5, 9, 30)), "5 Oct 1998");
    EXPECT_EQ(texts.FormatDateTime(At(2026, 1, 17, 23, 59, 59)), "17 Jan 2026 23:59");
}

TEST(DateTextsFormat, MidnightLeavesTheTimeOut)
{
    DateTexts texts(QLocale::c());
    texts.StripSeconds();
    EXPECT_EQ(texts.FormatDateTime(At(1998, 10, 5)), "5 Oct 1998");
    // One second past midnight is not midnight, though no seconds show.
    EXPECT_EQ(texts.FormatDateTime(At(1998, 10, 5, 0, 0, 1)), "5 Oct 1998 00:00");
    EXPECT_EQ(texts.FormatDateTime(At(1998, 10, 5, 0, 1)), "5 Oct 1998 00:01");
}

TEST(DateTextsFormat, TwelveHourClock)
{
    DateTexts texts(kUnitedStates);
    texts.StripSeconds();
    EXPECT_EQ(texts.FormatDateTime(At(2000, 1, 1, 0, 30)), "1/1/2000 12:30 AM");
    EXPECT_EQ(texts.FormatDateTime(At(2000, 1, 1, 12, 5)), "1/1/2000 12:05 PM");
    EXPECT_EQ(texts.FormatDateTime(At(2000, 12, 31, 23, 0)), "12/31/2000 11:00 PM");
    EXPECT_EQ(texts.FormatDateTime(At(2000, 1, 1)), "1/1/2000");
}

TEST(DateTextsFormat, ValuesOutsideTheCalendarHaveNoText)
{
    DateTexts texts(QLocale::c());
    EXPECT_EQ(texts.FormatDateTime(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(texts.FormatDateTime(std::numeric_limits<double>::infinity()), "");
    EXPECT_EQ(texts.FormatDateTime(1e12), "");
    EXPECT_EQ(texts.FormatDate(-1e9), "");
    // The first and last representable days still have one.
    EXPECT_EQ(texts.FormatDate(At(1, 1, 1)), "1 Jan 0001");
    EXPECT_EQ(texts.FormatDateTime(At(9999, 12, 31, 23, 59, 59)), "31 Dec 9999 23:59:59");
}

// The texts must be exactly QLocale's, and show the moment QLocale reads
// from them, for every locale Qt knows (but for what Latin-1 cannot hold, see
// below).
TEST(DateTextsAgreesWithQLocale, FormatAndParseForEveryLocale)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> day(*EncodeDate(1900, 1, 1), *EncodeDate(2100, 12, 31));
    std::uniform_int_distribution<int> second(0, 86399);
    const auto locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    int compared = 0;
    for (const QLocale& locale : locales) {
        DateTexts texts(locale);
        for (const bool strip : {false, true}) {
            if (strip)
                texts.StripSeconds();
            for (int k = 0; k < 8; ++k) {
                // Hours 2 and 3 are left out: QLocale reads local time, where
                // a change to summer time may skip them.
                int secs = second(random);
                if (secs / 3600 == 2 || secs / 3600 == 3)
                    secs += 7200;
                const double value = day(random) + secs / 86400.0;
                const CivilDate civil = DecodeDate(value);
                const QDate qdate(civil.Year, civil.Month, civil.Day);
                const QTime qtime(secs / 3600, secs / 60 % 60, secs % 60);
                QString expected = locale.toString(qdate, texts.DateFormat());
                if (secs != 0)
                    expected += u' ' + locale.toString(qtime, texts.TimeFormat());
                const std::string text = texts.FormatDateTime(value);
                // Texts that single-byte cells can hold come out exactly as
                // QLocale writes them.
                if (expected == QString::fromLatin1(expected.toLatin1())) {
                    ASSERT_EQ(text, expected.toLatin1().toStdString()) << locale.name().toStdString();
                    const QDateTime read = locale.toDateTime(expected, texts.DateFormat() + u' ' + texts.TimeFormat());
                    if (read.isValid()) {
                        const double byQt = *EncodeDate(read.date().year(), read.date().month(), read.date().day()) +
                                            read.time().msecsSinceStartOfDay() / 86400000.0;
                        EXPECT_EQ(texts.ShownSeconds(value), std::llround(byQt * 86400)) << text;
                        ++compared;
                    }
                }
                // Whatever the digits, a text shows its own value, the
                // seconds dropped once they no longer show.
                const int shownSeconds = texts.TimeFormat().contains(u's') ? secs : secs - secs % 60;
                EXPECT_EQ(texts.ShownSeconds(value), std::llround(std::floor(value) * 86400) + shownSeconds)
                    << locale.name().toStdString() << " " << text;
            }
        }
    }
    EXPECT_GT(compared, 1000);
}

TEST(DateTextsAgreesWithQLocale, LocaleDigitsBecomeAsciiDigits)
{
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    ASSERT_NE(arabic.zeroDigit(), u"0");
    DateTexts texts(arabic);
    texts.StripSeconds();
    const std::string text = texts.FormatDateTime(At(2025, 12, 31, 23, 5));
    EXPECT_NE(text.find("31"), std::string::npos) << text;
    EXPECT_NE(text.find("2025"), std::string::npos) << text;
    EXPECT_NE(text.find("11:05"), std::string::npos) << text;
}

TEST(DateTextsAgreesWithQLocale, UnwritableAmPmMarkersBecomeAmAndPm)
{
    // Korean writes its markers in Hangul, which Latin-1 cannot hold; both
    // would become "??" and every afternoon would look like a morning.
    const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
    ASSERT_TRUE(korean.timeFormat(QLocale::LongFormat).startsWith(QStringLiteral("AP ")));
    DateTexts texts(korean);
    texts.StripSeconds();
    const std::string morning = texts.FormatDateTime(At(2025, 12, 31, 9, 5));
    const std::string evening = texts.FormatDateTime(At(2025, 12, 31, 21, 5));
    EXPECT_NE(morning.find(" AM "), std::string::npos) << morning;
    EXPECT_EQ(morning.find("PM"), std::string::npos) << morning;
    EXPECT_NE(evening.find(" PM "), std::string::npos) << evening;
    EXPECT_EQ(evening.find("AM"), std::string::npos) << evening;
}

TEST(DateTextsAgreesWithQLocale, EarlyYearsArePaddedLikeQLocale)
{
    DateTexts texts(QLocale::c());
    const std::string text = texts.FormatDate(At(5, 3, 1));
    EXPECT_EQ(text, QLocale::c().toString(QDate(5, 3, 1), texts.DateFormat()).toLatin1().toStdString());
}

TEST(CurrentDateTimeValue, IsTodayWithTheTimeOfDay)
{
    const QDateTime before = QDateTime::currentDateTime();
    const double value = CurrentDateTimeValue();
    const QDateTime after = QDateTime::currentDateTime();
    const CivilDate civil = DecodeDate(value);
    const QDate date(civil.Year, civil.Month, civil.Day);
    EXPECT_TRUE(date == before.date() || date == after.date());
    if (before.date() == after.date()) {
        const double fraction = value - std::floor(value);
        EXPECT_GE(fraction * 86400000.0 + 1, before.time().msecsSinceStartOfDay());
        EXPECT_LE(fraction * 86400000.0 - 1, after.time().msecsSinceStartOfDay());
    }
}

TEST(ProcessDateTexts, OneInstanceWithTheSystemFormats)
{
    DateTexts& first = ProcessDateTexts();
    EXPECT_EQ(&first, &ProcessDateTexts());
    const DateTexts system(QLocale::system());
    EXPECT_EQ(first.DateFormat(), system.DateFormat());
    if (first.TimeFormat().contains(QLatin1Char('s'))) {
        EXPECT_EQ(first.TimeFormat(), system.TimeFormat());
    }
}

}  // namespace
}  // namespace vy
