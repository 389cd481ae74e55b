#include <gtest/gtest.h>

#include <string>

#include "scan/active_time.h"

namespace vy {
namespace {

TEST(ReadDuration, GoesByTheUnitWordsFirstLettersWithoutRegardToCase)
{
    for (const char* hour : {"h", "hour", "hours", "Hours", "HRS", "st", "Std", "Stunden", "STUNDE", "sT"})
        EXPECT_EQ(ReadDuration(std::string(" 1 ") + hour), 3600) << hour;
    for (const char* minute : {"m", "min", "minutes", "Minuten", "MINUTE", "ms"})
        EXPECT_EQ(ReadDuration(std::string(" 1 ") + minute), 60) << minute;
    for (const char* second : {"s", "sec", "seconds", "Sekunden", "S", "sx", "ss"})
        EXPECT_EQ(ReadDuration(std::string(" 1 ") + second), 1) << second;
    for (const char* other : {"days", "tage", "x", "t", "\xDF"})
        EXPECT_FALSE(ReadDuration(std::string(" 1 ") + other)) << other;
}

TEST(ReadDuration, SumsPairsUntilTheNextNonBlankIsNoDigit)
{
    EXPECT_EQ(ReadDuration(" 45 minutes 12 seconds.  12345 bytes"), 2712);
    EXPECT_EQ(ReadDuration(" 45 Minuten 12 s.  12345 Bytes"), 2712);
    EXPECT_EQ(ReadDuration(" 1 hour 2 minutes 3 seconds"), 3723);
    EXPECT_EQ(ReadDuration("2 Stunden 1 Sekunde"), 7201);
    EXPECT_EQ(ReadDuration("   7    seconds   "), 7);
    EXPECT_EQ(ReadDuration(" 0 seconds"), 0);
    // Units may repeat and come in any order.
    EXPECT_EQ(ReadDuration(" 3 seconds 1 minute 2 seconds"), 65);
    // Reading stops at the first non-blank that is no digit, and says where.
    std::size_t end = 0;
    EXPECT_EQ(ReadDuration(" 5 minutes, 7 seconds", &end), 300);
    EXPECT_EQ(end, 10u);
    EXPECT_EQ(ReadDuration(" 5 minutes  . 7 seconds", &end), 300);
    EXPECT_EQ(end, 12u);
    EXPECT_EQ(ReadDuration(" 5 minutes and 7 seconds"), 300);
    EXPECT_EQ(ReadDuration(" 5 min. 7 s"), 300);
    EXPECT_EQ(ReadDuration(" 00000000000000000007 s"), 7);
}

TEST(ReadDuration, RejectsNoPairUnknownWordsAndOverflow)
{
    for (const char* bad : {"", "   ", " minutes", " forty minutes", ".", " 45", " 45 ", " 45 .", " 45minutes",
                            " 3 days", " 1 hour 2 fortnights", " 12 \xDF"})
        EXPECT_FALSE(ReadDuration(bad)) << bad;
    EXPECT_EQ(ReadDuration(" 2147483647 seconds"), 2147483647);
    EXPECT_FALSE(ReadDuration(" 2147483648 seconds"));
    EXPECT_EQ(ReadDuration(" 596523 hours 847 seconds"), 2147483647);
    EXPECT_FALSE(ReadDuration(" 596523 hours 848 seconds"));
    EXPECT_FALSE(ReadDuration(" 35791395 minutes"));
    EXPECT_FALSE(ReadDuration(" 99999999999999999999999999 seconds"));
    EXPECT_FALSE(ReadDuration(" 2147483647 seconds 1 second"));
}

}  // namespace
}  // namespace vy
