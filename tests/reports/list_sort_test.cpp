#include "reports/list_sort.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>

#include <QDate>
#include <QTime>

#include "reports/date_text.h"
#include "reports/value_format.h"
#include "store/date_value.h"

namespace vy {
namespace {

const DateTexts& CDates()
{
    static DateTexts texts = [] {
        DateTexts t(QLocale::c());
        t.StripSeconds();
        return t;
    }();
    return texts;
}

// A table of rows given cell by cell (Text keys only).
ReportTable Table(std::initializer_list<std::vector<std::string>> rows)
{
    ReportTable table;
    int image = 0;
    for (const auto& cells : rows)
        table.Rows.push_back(ReportRow{cells, image++});
    return table;
}

// A row as the table builders make it: the cell text of the value in the
// column's kind and the value behind it.
ReportRow RowOf(ColumnKind kind, std::int64_t value, std::string_view name = {},
                const DateTexts& dates = CDates())
{
    ReportRow row;
    RowValues& v = row.Values;
    switch (kind) {
    case ColumnKind::Duration: row.Cells = {SecondsToText(value)}; v.Seconds = value; break;
    case ColumnKind::Sent: row.Cells = {GroupDigits(",", value)}; v.Sent = value; break;
    case ColumnKind::Day: row.Cells = {std::to_string(value)}; v.Day = value; break;
    case ColumnKind::Port: row.Cells = {std::string(name)}; v.Port = PortOrder(name); break;
    case ColumnKind::Speed: row.Cells = {std::string(name)}; v.Speed = SpeedOrder(name); break;
    case ColumnKind::DateTime: {
        const double when = static_cast<double>(value) / 86400.0;
        row.Cells = {dates.FormatDateTime(when)};
        v.Shown = dates.ShownSeconds(when);
        v.DateTime = when;
        break;
    }
    default: row.Cells = {std::string(name)}; break;
    }
    return row;
}

ReportTable Numbers(ColumnKind kind, std::initializer_list<std::int64_t> values)
{
    ReportTable table;
    for (const std::int64_t value : values)
        table.Rows.push_back(RowOf(kind, value));
    return table;
}

ReportTable Names(ColumnKind kind, std::initializer_list<std::string_view> names)
{
    ReportTable table;
    for (const std::string_view name : names)
        table.Rows.push_back(RowOf(kind, 0, name));
    return table;
}

std::vector<std::string> CellsOf(const ReportTable& table, std::size_t column = 0)
{
    std::vector<std::string> cells;
    for (const auto& row : table.Rows)
        cells.push_back(row.Cells.at(column));
    return cells;
}

using Cells = std::vector<std::string>;

SortError Sort(ReportTable& table, ColumnKind kind, bool ascending = true, int column = 0)
{
    return SortList(table, column, kind, ascending ? 1 : 0);
}

std::int64_t At(int y, int m, int d, int h = 0, int min = 0)
{
    return std::llround(*EncodeDate(y, m, d) * 86400) + h * 3600 + min * 60;
}

TEST(SortList, NumberKindsOrderByValueNotByText)
{
    auto times = Numbers(ColumnKind::Duration, {36000, 4000000000, 35999, 2160000000, 360000, 1});
    EXPECT_FALSE(Sort(times, ColumnKind::Duration));
    EXPECT_EQ(CellsOf(times), (Cells{"0:00:01", "9:59:59", "10:00:00", "100:00:00", "600000:00:00", "1111111:06:40"}));

    auto bytes = Numbers(ColumnKind::Sent, {1000, 10'000'000'000'000, 3'000'000'000, 999, 9'999'999'999'999, 0});
    EXPECT_FALSE(Sort(bytes, ColumnKind::Sent));
    EXPECT_EQ(CellsOf(bytes),
              (Cells{"0", "999", "1,000", "3,000,000,000", "9,999,999,999,999", "10,000,000,000,000"}));
    EXPECT_FALSE(Sort(bytes, ColumnKind::Sent, false));
    EXPECT_EQ(CellsOf(bytes),
              (Cells{"10,000,000,000,000", "9,999,999,999,999", "3,000,000,000", "1,000", "999", "0"}));

    auto ports = Names(ColumnKind::Port, {"COM10", "VPN1-10", "COM9", "VPN2-0", "COM1"});
    EXPECT_FALSE(Sort(ports, ColumnKind::Port));
    EXPECT_EQ(CellsOf(ports), (Cells{"COM1", "COM9", "COM10", "VPN2-0", "VPN1-10"}));

    auto speeds = Names(ColumnKind::Speed, {"115200", "9600", "28800"});
    EXPECT_FALSE(Sort(speeds, ColumnKind::Speed));
    EXPECT_EQ(CellsOf(speeds), (Cells{"9600", "28800", "115200"}));

    auto days = Numbers(ColumnKind::Day, {10, 2, 31, 1});
    EXPECT_FALSE(Sort(days, ColumnKind::Day));
    EXPECT_EQ(CellsOf(days), (Cells{"1", "2", "10", "31"}));
}

TEST(SortList, TextIsOrdinalAndCaseSensitive)
{
    auto users = Names(ColumnKind::Text, {"adam", "Zoe", "", "ad", "\xE9mile", "Adam"});
    EXPECT_FALSE(Sort(users, ColumnKind::Text));
    EXPECT_EQ(CellsOf(users), (Cells{"", "Adam", "Zoe", "ad", "adam", "\xE9mile"}));
}

TEST(SortList, DatesByTheMomentShown)
{
    // 09:30:40 shows as 09:30, so it ties with 09:30 and keeps its place.
    auto dates = Numbers(ColumnKind::DateTime, {At(1998, 10, 5, 9, 30) + 40, At(1998, 10, 5), At(1998, 9, 30, 23, 59),
                                                At(1999, 1, 1, 0, 1), At(1998, 10, 5, 9, 30), At(1998, 10, 5, 10)});
    EXPECT_FALSE(Sort(dates, ColumnKind::DateTime));
    EXPECT_EQ(CellsOf(dates), (Cells{"30 Sep 1998 23:59", "5 Oct 1998", "5 Oct 1998 09:30", "5 Oct 1998 09:30",
                                     "5 Oct 1998 10:00", "1 Jan 1999 00:01"}));
    EXPECT_EQ(std::llround(dates.Rows[2].Values.DateTime * 86400), At(1998, 10, 5, 9, 30) + 40);
}

TEST(SortList, EqualKeysFollowTheExchanges)
{
    // Keys 2, 2, 1: z is chosen first and swaps places with x, which then
    // stands behind y.
    for (const bool ascending : {true, false}) {
        auto rows = Numbers(ColumnKind::Sent, {2, 2, 1});
        rows.Rows[0].Cells.push_back("x");
        rows.Rows[1].Cells.push_back("y");
        rows.Rows[2].Cells.push_back("z");
        EXPECT_FALSE(Sort(rows, ColumnKind::Sent, ascending));
        EXPECT_EQ(CellsOf(rows, 1), ascending ? (Cells{"z", "y", "x"}) : (Cells{"x", "y", "z"}));
    }
}

TEST(SortList, RowsMoveWholeAndImagesStay)
{
    auto rows = Table({{"b", "1", "extra"}, {"a", "2"}});
    rows.Rows[0].Values.Sent = 7;
    EXPECT_FALSE(Sort(rows, ColumnKind::Text));
    EXPECT_EQ(rows.Rows[0].Cells, (Cells{"a", "2"}));
    EXPECT_EQ(rows.Rows[1].Cells, (Cells{"b", "1", "extra"}));
    EXPECT_EQ(rows.Rows[1].Values.Sent, 7);
    EXPECT_EQ(rows.Rows[0].Image, 0);
    EXPECT_EQ(rows.Rows[1].Image, 1);
}

TEST(SortList, UnsortedKindsNoRowsOrNoSuchColumnChangeNothing)
{
    const auto original = Table({{"b"}, {"c"}, {"a"}});
    for (const ColumnKind kind : {ColumnKind::Month, ColumnKind::Weekday}) {
        auto table = original;
        EXPECT_FALSE(Sort(table, kind));
        EXPECT_EQ(CellsOf(table), CellsOf(original));
    }
    ReportTable empty;
    EXPECT_FALSE(Sort(empty, ColumnKind::Text));
    EXPECT_TRUE(empty.Rows.empty());

    auto table = original;
    EXPECT_FALSE(Sort(table, ColumnKind::Text, true, 1));
    EXPECT_FALSE(Sort(table, ColumnKind::Text, true, -1));
    EXPECT_EQ(CellsOf(table), CellsOf(original));

    auto ragged = Table({{"b", "2"}, {"a"}, {"c", "1"}});
    EXPECT_FALSE(Sort(ragged, ColumnKind::Text, true, 1));
    EXPECT_EQ(CellsOf(ragged), (Cells{"b", "a", "c"}));
}

TEST(SortList, PortAndSpeedWithoutANumberCountAsZero)
{
    auto ports = Names(ColumnKind::Port, {"COM2", "ISDN", "99999999999999999999", "COM1"});
    EXPECT_FALSE(Sort(ports, ColumnKind::Port));
    EXPECT_EQ(CellsOf(ports), (Cells{"ISDN", "99999999999999999999", "COM1", "COM2"}));

    auto speeds =
        Names(ColumnKind::Speed,
              {"9600", "fast", " -5", "+7", "9600 ", "99999999999999999999", "-9223372036854775808"});
    EXPECT_FALSE(Sort(speeds, ColumnKind::Speed));
    EXPECT_EQ(CellsOf(speeds), (Cells{"-9223372036854775808", " -5", "fast", "9600 ", "99999999999999999999", "+7",
                                      "9600"}));
}

TEST(SortList, UnreadableKeyLeavesEveryRowInPlace)
{
    const auto check = [](ReportTable table, ColumnKind kind, const std::string& message) {
        const auto before = table.Rows;
        const SortError error = Sort(table, kind);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(*error, message);
        EXPECT_EQ(table.Rows, before);
    };
    constexpr std::int64_t kLeast = std::numeric_limits<std::int64_t>::min();
    check(Numbers(ColumnKind::Sent, {5, -5, kLeast, 1}), ColumnKind::Sent,
          "'9223372036854775808' is not a valid integer value");
    // A date no text shows; the first row's key is read first.
    check(Numbers(ColumnKind::DateTime, {At(1998, 10, 5), std::int64_t{1} << 50}), ColumnKind::DateTime,
          "'' is not a valid date and time");
}

TEST(SortList, SingleRowReadsNoKey)
{
    auto table = Numbers(ColumnKind::Sent, {std::numeric_limits<std::int64_t>::min()});
    EXPECT_FALSE(Sort(table, ColumnKind::Sent));
    table = Numbers(ColumnKind::DateTime, {std::int64_t{1} << 50});
    EXPECT_FALSE(Sort(table, ColumnKind::DateTime));
}

// ---- the selection sort itself, word for word, to check the fast one ----

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::int64_t SlowInteger(const std::string& text)
{
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    const std::string rest = text.substr(start);
    if (rest.empty() || IsBlank(rest[0]) || rest == "+" || rest == "-")
        throw std::runtime_error("'" + text + "' is not a valid integer value");
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(rest.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || end == rest.c_str())
        throw std::runtime_error("'" + text + "' is not a valid integer value");
    return value;
}

std::int64_t SlowIntegerOrZero(const std::string& text)
{
    try {
        return SlowInteger(text);
    } catch (const std::runtime_error&) {
        return 0;
    }
}

std::int64_t SlowDuration(const std::string& text)
{
    const long long length = static_cast<long long>(text.size());
    auto copy = [&](long long from, long long count) {
        if (from < 1)
            from = 1;
        if (count <= 0 || from > length)
            return std::string();
        return text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
    };
    const std::int64_t hours = SlowInteger(copy(1, length - 6));
    const std::int64_t minutes = SlowInteger(copy(length - 4, 2));
    const std::int64_t seconds = SlowInteger(copy(length - 1, 2));
    return hours * 3600 + minutes * 60 + seconds;
}

struct Key {
    std::string Text;
    std::int64_t Number = 0;
    double Date = 0;
};

std::string DigitsOf(const std::string& text)
{
    std::string digits;
    for (const char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

// A date cell read by the locale: the date alone, or date and time split at
// a blank.
std::optional<std::int64_t> SlowDate(const std::string& cell, const DateTexts& dates, const QLocale& locale)
{
    const QString all = QString::fromLatin1(cell);
    auto seconds = [](const QDate& date, const QTime& time) {
        return std::llround(*EncodeDate(date.year(), date.month(), date.day()) * 86400) +
               time.msecsSinceStartOfDay() / 1000;
    };
    if (const QDate date = locale.toDate(all, dates.DateFormat()); date.isValid())
        return seconds(date, QTime(0, 0));
    for (qsizetype blank = all.indexOf(u' '); blank >= 0; blank = all.indexOf(u' ', blank + 1)) {
        const QDate date = locale.toDate(all.left(blank), dates.DateFormat());
        const QTime time = locale.toTime(all.mid(blank + 1), dates.TimeFormat());
        if (date.isValid() && time.isValid())
            return seconds(date, time);
    }
    return std::nullopt;
}

Key SlowKey(const std::string& cell, const std::string& rule, const DateTexts& dates, const QLocale& locale)
{
    Key key;
    if (rule == "Text")
        key.Text = cell;
    else if (rule == "Port")
        key.Number = SlowIntegerOrZero(DigitsOf(cell));
    else if (rule == "Speed")
        key.Number = SlowIntegerOrZero(cell);
    else if (rule == "Bytes")
        key.Number = SlowInteger(DigitsOf(cell));
    else if (rule == "Time")
        key.Number = SlowDuration(cell);
    else {
        const auto value = SlowDate(cell, dates, locale);
        if (!value)
            throw std::runtime_error("'" + cell + "' is not a valid date and time");
        key.Date = static_cast<double>(*value);
    }
    return key;
}

bool SlowLess(const Key& a, const Key& b, const std::string& rule)
{
    if (rule == "Text") {
        const std::size_t n = std::min(a.Text.size(), b.Text.size());
        for (std::size_t k = 0; k < n; ++k) {
            const auto x = static_cast<unsigned char>(a.Text[k]);
            const auto y = static_cast<unsigned char>(b.Text[k]);
            if (x != y)
                return x < y;
        }
        return a.Text.size() < b.Text.size();
    }
    if (rule == "Date")
        return a.Date < b.Date;
    return a.Number < b.Number;
}

SortError SlowSort(ReportTable& table, std::size_t c, const std::string& rule, bool ascending, const DateTexts& dates,
                   const QLocale& locale)
{
    auto& rows = table.Rows;
    const std::size_t n = rows.size();
    try {
        for (std::size_t i = 0; i < n; ++i) {
            std::size_t best = i;
            ReportRow snapshot = rows[i];
            for (std::size_t j = i + 1; j < n; ++j) {
                const Key mine = SlowKey(snapshot.Cells[c], rule, dates, locale);
                const Key theirs = SlowKey(rows[j].Cells[c], rule, dates, locale);
                if (ascending ? SlowLess(theirs, mine, rule) : SlowLess(mine, theirs, rule)) {
                    best = j;
                    snapshot = rows[j];
                }
            }
            if (best != i) {
                rows[best].Cells = rows[i].Cells;
                rows[best].Values = rows[i].Values;
                rows[i].Cells = snapshot.Cells;
                rows[i].Values = snapshot.Values;
            }
        }
    } catch (const std::runtime_error& error) {
        std::string text = error.what();
        // The transcription names the text it read; for Bytes that is the
        // digits, which SlowInteger was given already.
        return text;
    }
    return std::nullopt;
}

// A random row for each rule from small pools, so that keys tie often;
// `bad` mixes in values whose texts do not read.
ReportRow RandomRow(const std::string& rule, std::mt19937& random, bool bad, const DateTexts& dates)
{
    auto pick = [&random](const std::vector<std::string>& pool) {
        return pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)];
    };
    auto number = [&random](std::int64_t from, std::int64_t to) {
        return std::uniform_int_distribution<std::int64_t>(from, to)(random);
    };
    const bool unreadable = bad && number(0, 99) < 3;
    if (rule == "Text")
        return RowOf(ColumnKind::Text, 0,
                     pick({"", "a", "A", "ab", std::string("ab\0", 3), "Zoe", "adam", "\xE9", "a\xE9", "b", "ab ",
                           "a b",
                           // Alike in their first sixteen bytes, and told apart only after them.
                           "remote.user.alph", "remote.user.alpha", "remote.user.alphb", "remote.user.alpha1"}));
    if (rule == "Port")
        return RowOf(ColumnKind::Port, 0,
                     pick({"COM1", "COM10", "COM9", "VPN1-10", "VPN2-0", "ISDN", "", "99999999999999999999", "COM01",
                           "LPT110"}));
    if (rule == "Speed")
        return RowOf(ColumnKind::Speed, 0,
                     pick({"9600", "28800", "115200", " 9600", "+9600", "-5", "fast", "", "9600 ",
                           "99999999999999999999", "0", "+-5", "\t-0"}));
    if (rule == "Bytes")
        return RowOf(ColumnKind::Sent,
                     unreadable ? std::numeric_limits<std::int64_t>::min() : number(-2, 6) * 999'999'999);
    if (rule == "Time")
        return RowOf(ColumnKind::Duration, number(-3, 6) * 1799);
    const std::int64_t seconds = At(1998, 10, 1) + number(0, 3) * 86400 + number(0, 3) * 27000 + number(0, 2) * 20;
    return RowOf(ColumnKind::DateTime, unreadable ? std::int64_t{1} << 50 : seconds, {}, dates);
}

TEST(SortListAgreesWithSelectionSort, RandomTablesEveryRuleBothDirections)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    DateTexts american(us);
    american.StripSeconds();
    const std::map<std::string, ColumnKind> kindOf = {
        {"Text", ColumnKind::Text},      {"Port", ColumnKind::Port}, {"Speed", ColumnKind::Speed},
        {"Bytes", ColumnKind::Sent},     {"Time", ColumnKind::Duration}, {"Date", ColumnKind::DateTime},
    };
    std::mt19937 random(5);
    int errors = 0;
    int moved = 0;
    for (const std::string rule : {"Text", "Port", "Speed", "Bytes", "Time", "Date"}) {
        for (int trial = 0; trial < 300; ++trial) {
            const DateTexts& dates = trial % 2 == 0 ? CDates() : american;
            const QLocale locale = trial % 2 == 0 ? QLocale::c() : us;
            const bool bad = trial % 5 == 0;
            const std::size_t n = std::uniform_int_distribution<std::size_t>(0, trial % 10 == 0 ? 150 : 25)(random);
            const std::size_t column = std::uniform_int_distribution<std::size_t>(0, 2)(random);
            ReportTable table;
            for (std::size_t r = 0; r < n; ++r) {
                ReportRow row = RandomRow(rule, random, bad, dates);
                row.Cells.insert(row.Cells.begin(), column, "row" + std::to_string(r));
                row.Cells.resize(3, "row" + std::to_string(r));
                row.Image = 3;
                table.Rows.push_back(row);
            }
            for (const bool ascending : {true, false}) {
                ReportTable fast = table;
                ReportTable slow = table;
                const SortError fastError =
                    SortList(fast, static_cast<int>(column), kindOf.at(rule), ascending ? 1 : 0);
                const SortError slowError = SlowSort(slow, column, rule, ascending, dates, locale);
                ASSERT_EQ(fastError, slowError) << rule << " trial " << trial;
                ASSERT_EQ(fast.Rows, slow.Rows) << rule << " trial " << trial << (ascending ? " up" : " down");
                errors += fastError.has_value();
                moved += fast.Rows != table.Rows;
            }
            // Clicks given at once (the rows moved at the end) leave what the
            // clicks one by one leave, the other columns sorted as texts.
            ReportTable fast = table;
            ReportTable slow = table;
            RowOrder order(fast);
            for (int click = 0; click < 4; ++click) {
                const std::size_t c = std::uniform_int_distribution<std::size_t>(0, 2)(random);
                const std::string& by = c == column ? rule : "Text";
                const bool ascending = random() % 2 == 0;
                ASSERT_EQ(order.Sort(fast, static_cast<int>(c), kindOf.at(by), ascending ? 1 : 0),
                          SlowSort(slow, c, by, ascending, dates, locale))
                    << rule << " trial " << trial;
            }
            order.Place(fast);
            ASSERT_EQ(fast.Rows, slow.Rows) << rule << " trial " << trial << " clicks";
        }
    }
    // A long table whose equal keys stand far apart.
    ReportTable table;
    for (int r = 0; r < 1200; ++r) {
        table.Rows.push_back(RowOf(ColumnKind::Sent, static_cast<std::int64_t>(random() % 400)));
        table.Rows.back().Cells.push_back(std::to_string(r));
    }
    for (const bool ascending : {true, false}) {
        ReportTable slow = table;
        EXPECT_FALSE(SortList(table, 0, ColumnKind::Sent, ascending ? 1 : 0));
        EXPECT_FALSE(SlowSort(slow, 0, "Bytes", ascending, CDates(), QLocale::c()));
        ASSERT_EQ(table.Rows, slow.Rows);
    }
    // The pools must really exercise both outcomes.
    EXPECT_GT(errors, 20);
    EXPECT_GT(moved, 2000);
}

}  // namespace
}  // namespace vy
