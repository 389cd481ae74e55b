#include <gtest/gtest.h>

#include "store/date_value.h"

namespace vy {
namespace {

TEST(DateValue, KnownDaysAndWeekdays)
{
    EXPECT_EQ(*EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(*EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(*EncodeDate(1998, 10, 5), 36073.0);
    EXPECT_EQ(DecodeDate(36073.75), (CivilDate{1998, 10, 5}));
    EXPECT_EQ(DayOfWeek(*EncodeDate(2000, 2, 1)), 3);  // Tuesday
    EXPECT_EQ(DayOfWeek(0), 7);                        // Saturday
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_FALSE(EncodeDate(1999, 2, 29));
    EXPECT_FALSE(EncodeDate(1999, 13, 1));
    EXPECT_FALSE(EncodeTime(24, 0, 0));
    EXPECT_EQ(SecondsOfDay(36073.0 + *EncodeTime(9, 30, 0)), 9 * 3600 + 30 * 60);
}

TEST(DateValue, EveryDayFromYearOneTo9999FollowsTheDayBefore)
{
    double before = *EncodeDate(1, 1, 1) - 1;
    for (int y = 1; y <= 9999; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInMonth(y, m); ++d) {
                const double day = *EncodeDate(y, m, d);
                ASSERT_EQ(day, before + 1) << y << "-" << m << "-" << d;
                ASSERT_EQ(DecodeDate(day + 0.5), (CivilDate{y, m, d}));
                ASSERT_EQ(DayOfWeek(day), DayOfWeek(before) % 7 + 1);
                before = day;
            }
    EXPECT_EQ(before, *EncodeDate(9999, 12, 31));
    EXPECT_FALSE(EncodeDate(0, 12, 31));
    EXPECT_FALSE(EncodeDate(10000, 1, 1));
}

}  // namespace
}  // namespace vy
