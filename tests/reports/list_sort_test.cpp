#include "reports/list_sort.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <random>
#include <stdexcept>

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

// A table of one column, or of rows given cell by cell.
ReportTable Table(std::initializer_list<std::vector<std::string>> rows)
{
    ReportTable table;
    int image = 0;
    for (const auto& cells : rows)
        table.Rows.push_back(ReportRow{cells, image++});
    return table;
}

ReportTable Column(std::initializer_list<std::string> cells)
{
    ReportTable table;
    for (const auto& cell : cells)
        table.Rows.push_back(ReportRow{{cell}, 0});
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

SortError Sort(ReportTable& table, std::string_view rule, bool ascending = true, int column = 0)
{
    return SortList(table, column, rule, ascending ? 1 : 0, CDates());
}

TEST(DigitsOnly, KeepsTheDigitsInOrder)
{
    EXPECT_EQ(DigitsOnly("VPN1-10"), "110");
    EXPECT_EQ(DigitsOnly("1,234,567"), "1234567");
    EXPECT_EQ(DigitsOnly("ISDN"), "");
    EXPECT_EQ(DigitsOnly(""), "");
    EXPECT_EQ(DigitsOnly("COM007"), "007");
    EXPECT_EQ(DigitsOnly("\xB2\xB3x9"), "9");  // superscripts are not digits
}

TEST(DurationToSeconds, ReadsThePartsFromTheEnd)
{
    EXPECT_EQ(DurationToSeconds("123:45:06"), 445506);
    EXPECT_EQ(DurationToSeconds("0:00:00"), 0);
    EXPECT_EQ(DurationToSeconds("9:59:59"), 35999);
    EXPECT_EQ(DurationToSeconds("10:00:00"), 36000);
    EXPECT_EQ(DurationToSeconds(" 1:00:00"), 3600);
    EXPECT_EQ(DurationToSeconds("+1:00:00"), 3600);
    // The separators are never looked at; only the positions count.
    EXPECT_EQ(DurationToSeconds("1x02y03"), 3723);
    // A minus on the hours subtracts them alone, as the parts are read.
    EXPECT_EQ(DurationToSeconds("-1:02:05"), -3475);
    for (int seconds : {0, 59, 60, 3599, 3600, 86399, 86400, 360000, 2147483647})
        EXPECT_EQ(DurationToSeconds(SecondsToText(seconds)), seconds) << seconds;
}

TEST(DurationToSeconds, UnreadablePartsGiveNothing)
{
    for (const char* text : {"", "0:00:0", "1:00", "x:00:00", "1:0x:00", "1:00:0x", "1 :00:00", "1:00:00 ",
                             "99999999999999999999:00:00", "9223372036854775807:00:00", "+-1:00:00"})
        EXPECT_FALSE(DurationToSeconds(text).has_value()) << text;
}

// Every column's rule is the one its title calls for, in every kind.
TEST(SortRuleOf, EachColumnSortsByWhatItsTitleHolds)
{
    const std::map<std::string, std::string_view> ruleOfTitle = {
        {"User", "Text"}, {"Server", "Text"}, {"Domain", "Text"},      {"Port", "Port"},  {"Speed", "Speed"},
        {"Time", "Time"}, {"Send", "Bytes"},  {"Receive", "Bytes"},    {"Date", "Date"},  {"Day", "Bytes"},
        {"Month", ""},    {"Day of Week", ""},
    };
    for (int kind = 1; kind <= 8; ++kind) {
        std::vector<ReportColumn> columns;
        const ColumnSet set = ColumnSetOf(kind);
        SetColumns(columns, set.Titles, set.Layout, set.Kinds);
        ASSERT_FALSE(columns.empty());
        for (const ReportColumn& column : columns)
            EXPECT_EQ(SortRuleOf(column.Kind), ruleOfTitle.at(column.Caption)) << kind << "/" << column.Caption;
    }
}

TEST(SortList, NumberRulesOrderByValueNotByText)
{
    auto times = Column({"10:00:00", "1111111:06:40", "9:59:59", "600000:00:00", "100:00:00", "0:00:01"});
    EXPECT_FALSE(Sort(times, "Time"));
    EXPECT_EQ(CellsOf(times), (Cells{"0:00:01", "9:59:59", "10:00:00", "100:00:00", "600000:00:00", "1111111:06:40"}));

    auto bytes = Column({"1,000", "10,000,000,000,000", "3,000,000,000", "999", "9,999,999,999,999", "0"});
    EXPECT_FALSE(Sort(bytes, "Bytes"));
    EXPECT_EQ(CellsOf(bytes),
              (Cells{"0", "999", "1,000", "3,000,000,000", "9,999,999,999,999", "10,000,000,000,000"}));
    EXPECT_FALSE(Sort(bytes, "Bytes", false));
    EXPECT_EQ(CellsOf(bytes),
              (Cells{"10,000,000,000,000", "9,999,999,999,999", "3,000,000,000", "1,000", "999", "0"}));

    auto ports = Column({"COM10", "VPN1-10", "COM9", "VPN2-0", "COM1"});
    EXPECT_FALSE(Sort(ports, "Port"));
    EXPECT_EQ(CellsOf(ports), (Cells{"COM1", "COM9", "COM10", "VPN2-0", "VPN1-10"}));

    auto speeds = Column({"115200", "9600", "28800"});
    EXPECT_FALSE(Sort(speeds, "Speed"));
    EXPECT_EQ(CellsOf(speeds), (Cells{"9600", "28800", "115200"}));

    auto days = Column({"10", "2", "31", "1"});
    EXPECT_FALSE(Sort(days, "Bytes"));
    EXPECT_EQ(CellsOf(days), (Cells{"1", "2", "10", "31"}));
}

TEST(SortList, TextIsOrdinalAndCaseSensitive)
{
    auto users = Column({"adam", "Zoe", "", "ad", "\xE9mile", "Adam"});
    EXPECT_FALSE(Sort(users, "Text"));
    EXPECT_EQ(CellsOf(users), (Cells{"", "Adam", "Zoe", "ad", "adam", "\xE9mile"}));
}

TEST(SortList, DatesByValue)
{
    auto dates = Column({"5 Oct 1998 09:30", "5 Oct 1998", "30 Sep 1998 23:59", "1 Jan 1999 00:01", "5 Oct 1998 10:00"});
    EXPECT_FALSE(Sort(dates, "Date"));
    EXPECT_EQ(CellsOf(dates),
              (Cells{"30 Sep 1998 23:59", "5 Oct 1998", "5 Oct 1998 09:30", "5 Oct 1998 10:00", "1 Jan 1999 00:01"}));

    DateTexts german(QLocale(QLocale::German, QLocale::Germany));
    german.StripSeconds();
    auto turn = Column({"01.01.2026 01:00", "31.12.2025 23:00"});
    EXPECT_FALSE(SortList(turn, 0, "Date", 1, german));
    EXPECT_EQ(CellsOf(turn), (Cells{"31.12.2025 23:00", "01.01.2026 01:00"}));
}

TEST(SortList, EqualKeysFollowTheExchanges)
{
    // Keys 2, 2, 1: z is chosen first and swaps places with x, which then
    // stands behind y.
    auto rows = Table({{"x", "2"}, {"y", "2"}, {"z", "1"}});
    EXPECT_FALSE(Sort(rows, "Bytes", true, 1));
    EXPECT_EQ(CellsOf(rows), (Cells{"z", "y", "x"}));

    auto down = Table({{"x", "2"}, {"y", "2"}, {"z", "1"}});
    EXPECT_FALSE(Sort(down, "Bytes", false, 1));
    EXPECT_EQ(CellsOf(down), (Cells{"x", "y", "z"}));
}

TEST(SortList, RowsMoveWholeAndImagesStay)
{
    auto rows = Table({{"b", "1", "extra"}, {"a", "2"}});
    EXPECT_FALSE(Sort(rows, "Text"));
    EXPECT_EQ(rows.Rows[0].Cells, (Cells{"a", "2"}));
    EXPECT_EQ(rows.Rows[1].Cells, (Cells{"b", "1", "extra"}));
    EXPECT_EQ(rows.Rows[0].Image, 0);
    EXPECT_EQ(rows.Rows[1].Image, 1);
}

TEST(SortList, NoRuleNoRowsOrNoSuchColumnChangesNothing)
{
    const auto original = Column({"b", "c", "a"});
    for (const char* rule : {"", "text", "TEXT", "date", "Bytes ", "Number", "Month"}) {
        auto table = original;
        EXPECT_FALSE(Sort(table, rule)) << rule;
        EXPECT_EQ(CellsOf(table), CellsOf(original)) << rule;
    }
    ReportTable empty;
    EXPECT_FALSE(Sort(empty, "Text"));
    EXPECT_TRUE(empty.Rows.empty());

    auto table = original;
    EXPECT_FALSE(Sort(table, "Text", true, 1));
    EXPECT_FALSE(Sort(table, "Text", true, -1));
    EXPECT_EQ(CellsOf(table), CellsOf(original));

    auto ragged = Table({{"b", "2"}, {"a"}, {"c", "1"}});
    EXPECT_FALSE(Sort(ragged, "Bytes", true, 1));
    EXPECT_EQ(CellsOf(ragged), (Cells{"b", "a", "c"}));
}

TEST(SortList, PortAndSpeedWithoutANumberCountAsZero)
{
    auto ports = Column({"COM2", "ISDN", "99999999999999999999", "COM1"});
    EXPECT_FALSE(Sort(ports, "Port"));
    EXPECT_EQ(CellsOf(ports), (Cells{"ISDN", "99999999999999999999", "COM1", "COM2"}));

    auto speeds = Column({"9600", "fast", " -5", "+7", "9600 ", "99999999999999999999", "-9223372036854775808"});
    EXPECT_FALSE(Sort(speeds, "Speed"));
    EXPECT_EQ(CellsOf(speeds), (Cells{"-9223372036854775808", " -5", "fast", "9600 ", "99999999999999999999", "+7",
                                      "9600"}));
}

TEST(SortList, UnreadableKeyLeavesEveryRowInPlace)
{
    const auto check = [](ReportTable table, std::string_view rule, const std::string& message) {
        const auto before = table.Rows;
        const SortError error = Sort(table, rule, true, 1);
        ASSERT_TRUE(error.has_value()) << rule;
        EXPECT_EQ(*error, message);
        EXPECT_EQ(table.Rows, before);
    };
    check(Table({{"a", "5"}, {"b", "1"}, {"c", "n/a"}, {"d", "x"}}), "Bytes", "'' is not a valid integer value");
    check(Table({{"a", "5"}, {"b", "99,999,999,999,999,999,999"}}), "Bytes",
          "'99999999999999999999' is not a valid integer value");
    check(Table({{"a", "0:00:05"}, {"b", "1:xx:00"}, {"c", "y:00:00"}}), "Time", "'xx' is not a valid integer value");
    check(Table({{"a", "0:00:05"}, {"b", "y:00:00"}, {"c", "1:xx:00"}}), "Time", "'y' is not a valid integer value");
    check(Table({{"a", "0:00:05"}, {"b", "1:00:0z"}}), "Time", "'0z' is not a valid integer value");
    check(Table({{"a", "0:00:05"}, {"b", "1:00:z"}}), "Time", "'' is not a valid integer value");
    check(Table({{"a", "0:00:05"}, {"b", "1:00"}}), "Time", "'' is not a valid integer value");
    check(Table({{"a", "5 Oct 1998"}, {"b", "yesterday"}, {"c", "soon"}}), "Date",
          "'yesterday' is not a valid date and time");
    // The first row's key is read first, before any other.
    check(Table({{"a", "31 Feb 1998"}, {"b", "yesterday"}}), "Date", "'31 Feb 1998' is not a valid date and time");
}

TEST(SortList, SingleRowReadsNoKey)
{
    auto table = Table({{"a", "n/a"}});
    EXPECT_FALSE(Sort(table, "Bytes", true, 1));
    EXPECT_FALSE(Sort(table, "Date", true, 1));
    EXPECT_EQ(table.Rows[0].Cells, (Cells{"a", "n/a"}));
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

Key SlowKey(const std::string& cell, const std::string& rule, const DateTexts& dates)
{
    Key key;
    if (rule == "Text")
        key.Text = cell;
    else if (rule == "Port")
        key.Number = SlowIntegerOrZero(DigitsOnly(cell));
    else if (rule == "Speed")
        key.Number = SlowIntegerOrZero(cell);
    else if (rule == "Bytes")
        key.Number = SlowInteger(DigitsOnly(cell));
    else if (rule == "Time")
        key.Number = SlowDuration(cell);
    else {
        const auto value = dates.ParseDateTime(cell);
        if (!value)
            throw std::runtime_error("'" + cell + "' is not a valid date and time");
        key.Date = *value;
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

SortError SlowSort(ReportTable& table, std::size_t c, const std::string& rule, bool ascending, const DateTexts& dates)
{
    auto& rows = table.Rows;
    const std::size_t n = rows.size();
    try {
        for (std::size_t i = 0; i < n; ++i) {
            std::size_t best = i;
            std::vector<std::string> snapshot = rows[i].Cells;
            for (std::size_t j = i + 1; j < n; ++j) {
                const Key mine = SlowKey(snapshot[c], rule, dates);
                const Key theirs = SlowKey(rows[j].Cells[c], rule, dates);
                if (ascending ? SlowLess(theirs, mine, rule) : SlowLess(mine, theirs, rule)) {
                    best = j;
                    snapshot = rows[j].Cells;
                }
            }
            if (best != i) {
                rows[best].Cells = rows[i].Cells;
                rows[i].Cells = snapshot;
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

// Random cells for each rule from small pools, so that keys tie often;
// `bad` mixes in cells that do not read.
std::string RandomCell(const std::string& rule, std::mt19937& random, bool bad, const DateTexts& dates)
{
    auto pick = [&random](const std::vector<std::string>& pool) {
        return pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)];
    };
    auto chance = [&random](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };
    if (rule == "Text")
        return pick({"", "a", "A", "ab", "Zoe", "adam", "\xE9", "a\xE9", "b", "ab ", "a b"});
    if (rule == "Port")
        return pick({"COM1", "COM10", "COM9", "VPN1-10", "VPN2-0", "ISDN", "", "99999999999999999999", "COM01",
                     "LPT110"});
    if (rule == "Speed")
        return pick({"9600", "28800", "115200", " 9600", "+9600", "-5", "fast", "", "9600 ", "99999999999999999999",
                     "0", "+-5", "\t-0"});
    if (bad && chance(3))
        return pick({"n/a", "", "1:x0:00", "0:00", "never", "31 Feb 1998"});
    if (rule == "Bytes")
        return GroupDigits(",", std::uniform_int_distribution<std::int64_t>(0, 6)(random) * 999'999'999);
    if (rule == "Time")
        return SecondsToText(std::uniform_int_distribution<int>(0, 6)(random) * 1799);
    const double value = *EncodeDate(1998, 10, 1) + std::uniform_int_distribution<int>(0, 3)(random) +
                         std::uniform_int_distribution<int>(0, 3)(random) * (7.5 / 24.0);
    return dates.FormatDateTime(value);
}

TEST(SortListAgreesWithSelectionSort, RandomTablesEveryRuleBothDirections)
{
    DateTexts american(QLocale(QLocale::English, QLocale::UnitedStates));
    american.StripSeconds();
    std::mt19937 random(5);
    int errors = 0;
    int moved = 0;
    for (const std::string rule : {"Text", "Port", "Speed", "Bytes", "Time", "Date"}) {
        for (int trial = 0; trial < 300; ++trial) {
            const DateTexts& dates = trial % 2 == 0 ? CDates() : american;
            const bool bad = trial % 5 == 0;
            const std::size_t n = std::uniform_int_distribution<std::size_t>(0, trial % 10 == 0 ? 150 : 25)(random);
            const std::size_t column = std::uniform_int_distribution<std::size_t>(0, 2)(random);
            ReportTable table;
            for (std::size_t r = 0; r < n; ++r) {
                ReportRow row;
                for (std::size_t c = 0; c < 3; ++c)
                    row.Cells.push_back(c == column ? RandomCell(rule, random, bad, dates) : "row" + std::to_string(r));
                row.Image = 3;
                table.Rows.push_back(row);
            }
            for (const bool ascending : {true, false}) {
                ReportTable fast = table;
                ReportTable slow = table;
                const SortError fastError = SortList(fast, static_cast<int>(column), rule, ascending ? 1 : 0, dates);
                const SortError slowError = SlowSort(slow, column, rule, ascending, dates);
                ASSERT_EQ(fastError, slowError) << rule << " trial " << trial;
                ASSERT_EQ(fast.Rows, slow.Rows) << rule << " trial " << trial << (ascending ? " up" : " down");
                errors += fastError.has_value();
                moved += fast.Rows != table.Rows;
            }
        }
    }
    // The pools must really exercise both outcomes.
    EXPECT_GT(errors, 20);
    EXPECT_GT(moved, 2000);
}

}  // namespace
}  // namespace vy
