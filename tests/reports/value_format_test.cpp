#include "reports/value_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace vy {
namespace {

TEST(SecondsToText, PadsMinutesAndSecondsButNotHours)
{
    EXPECT_EQ(SecondsToText(0), "0:00:00");
    EXPECT_EQ(SecondsToText(59), "0:00:59");
    EXPECT_EQ(SecondsToText(60), "0:01:00");
    EXPECT_EQ(SecondsToText(3725), "1:02:05");
    EXPECT_EQ(SecondsToText(86399), "23:59:59");
    EXPECT_EQ(SecondsToText(86400), "24:00:00");
    EXPECT_EQ(SecondsToText(360000), "100:00:00");
    EXPECT_EQ(SecondsToText(std::numeric_limits<std::int32_t>::max()), "596523:14:07");
    EXPECT_EQ(SecondsToText(std::int64_t{600000} * 3600 + 61), "600000:01:01");
}

TEST(SecondsToText, NegativeShowsSignOnceBeforeMagnitude)
{
    EXPECT_EQ(SecondsToText(-59), "-0:00:59");
    EXPECT_EQ(SecondsToText(-3725), "-1:02:05");
    EXPECT_EQ(SecondsToText(std::numeric_limits<std::int32_t>::min()), "-596523:14:08");
}

TEST(GroupDigits, GroupsByThousandsUpToTwelveDigits)
{
    EXPECT_EQ(GroupDigits(",", 0), "0");
    EXPECT_EQ(GroupDigits(",", 999), "999");
    EXPECT_EQ(GroupDigits(",", 1000), "1,000");
    EXPECT_EQ(GroupDigits(",", 1234567), "1,234,567");
    EXPECT_EQ(GroupDigits(",", 3000000000), "3,000,000,000");
    EXPECT_EQ(GroupDigits(",", 123456789012), "123,456,789,012");
}

TEST(GroupDigits, ThirteenDigitsAndMoreAreGroupedToo)
{
    EXPECT_EQ(GroupDigits(",", 1234567890123), "1,234,567,890,123");
    EXPECT_EQ(GroupDigits(",", std::numeric_limits<std::int64_t>::max()), "9,223,372,036,854,775,807");
}

TEST(GroupDigits, AnySeparatorGoesBetweenTheGroups)
{
    EXPECT_EQ(GroupDigits("..", 1234567), "1..234..567");
    EXPECT_EQ(GroupDigits("", 1234567890123), "1234567890123");
}

TEST(GroupDigits, NegativeGroupsTheMagnitude)
{
    EXPECT_EQ(GroupDigits(",", -123), "-123");
    EXPECT_EQ(GroupDigits(",", -1234), "-1,234");
    EXPECT_EQ(GroupDigits(",", std::numeric_limits<std::int64_t>::min()), "-9,223,372,036,854,775,808");
}

TEST(ColumnSetOf, NoSetOutsideTheEightKinds)
{
    for (int kind : {-1, 0, 9, 100}) {
        EXPECT_TRUE(ColumnSetOf(kind).Titles.empty()) << kind;
        EXPECT_TRUE(ColumnSetOf(kind).Layout.empty()) << kind;
    }
}

std::vector<ReportColumn> Columns(std::string_view titles, std::string_view layout)
{
    std::vector<ReportColumn> columns{{"old", 5, Alignment::Center}};
    SetColumns(columns, titles, layout);
    return columns;
}

TEST(SetColumns, DayTableColumns)
{
    const auto columns = Columns("Day;Time;Send;Receive;Day of Week;", "L060R100R100R100L090");
    const std::vector<ReportColumn> expected = {
        {"Day", 60, Alignment::Left},       {"Time", 100, Alignment::Right},
        {"Send", 100, Alignment::Right},    {"Receive", 100, Alignment::Right},
        {"Day of Week", 90, Alignment::Left},
    };
    EXPECT_EQ(columns, expected);
}

TEST(SetColumns, EveryKindHasOneLayoutGroupPerTitle)
{
    for (int kind = 1; kind <= 8; ++kind) {
        const ColumnSet set = ColumnSetOf(kind);
        const auto columns = Columns(set.Titles, set.Layout);
        ASSERT_EQ(columns.size() * 4, set.Layout.size()) << kind;
        for (const auto& column : columns) {
            EXPECT_FALSE(column.Caption.empty()) << kind;
            EXPECT_GE(column.Width, 60) << kind;
        }
    }
}

TEST(SetColumns, TitlesWithoutClosingSemicolonMakeNoColumn)
{
    EXPECT_TRUE(Columns("", "L100").empty());
    EXPECT_TRUE(Columns("User", "L100").empty());
    const auto columns = Columns("User;Time", "L100R100");
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns[0], (ReportColumn{"User", 100, Alignment::Left}));
}

TEST(SetColumns, EmptyTitleAndAlignmentLetters)
{
    const auto columns = Columns(";A;B;C;", "C010X020R030c040");
    const std::vector<ReportColumn> expected = {
        {"", 10, Alignment::Center},
        {"A", 20, Alignment::Left},
        {"B", 30, Alignment::Right},
        {"C", 40, Alignment::Left},  // only the capital letters align
    };
    EXPECT_EQ(columns, expected);
}

TEST(SetColumns, ShortOrMalformedLayoutGivesWidthZeroWithoutFailing)
{
    const auto columns = Columns("A;B;C;D;E;", "R1x0L 50R09CR0");
    const std::vector<ReportColumn> expected = {
        {"A", 0, Alignment::Right},  // "1x0" is no width
        {"B", 0, Alignment::Left},   // " 50" neither
        {"C", 0, Alignment::Right},  // nor "09C"
        {"D", 0, Alignment::Right},  // group cut short: its letter still counts
        {"E", 0, Alignment::Left},   // no group at all
    };
    EXPECT_EQ(columns, expected);
    EXPECT_EQ(Columns("A;", ""), (std::vector<ReportColumn>{{"A", 0, Alignment::Left}}));
}

}  // namespace
}  // namespace vy
