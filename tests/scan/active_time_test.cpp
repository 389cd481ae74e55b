#include <gtest/gtest.h>

#include <string>

#include "scan/active_time.h"
#include "scan/line_parser.h"

namespace vy {
namespace {

TEST(UnitSeconds, GoesByTheFirstLettersWithoutRegardToCase)
{
    for (const char* hour : {"h", "hour", "hours", "Hours", "HRS", "st", "Std", "Stunden", "STUNDE", "sT"})
        EXPECT_EQ(UnitSeconds(hour), 3600) << hour;
    for (const char* minute : {"m", "min", "minutes", "Minuten", "MINUTE", "ms"})
        EXPECT_EQ(UnitSeconds(minute), 60) << minute;
    for (const char* second : {"s", "sec", "seconds", "Sekunden", "S", "sx", "ss"})
        EXPECT_EQ(UnitSeconds(second), 1) << second;
    for (const char* other : {"", "days", "tage", "x", "t", "\xDF"})
        EXPECT_EQ(UnitSeconds(other), 0) << other;
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
    // Reading stops at the first non-blank that is no digit.
    EXPECT_EQ(ReadDuration(" 5 minutes, 7 seconds"), 300);
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

TEST(ExtractTime, ReadsAfterTheRecognitionMarkerOfTheLanguage)
{
    const std::string english = "x,20050,SRV,The user a connected on port P on 01/01/1999 at 01:00am.  The user "
                                "was active for 1 hour 2 minutes 3 seconds.  1 bytes were sent";
    const std::string german = "x,20050,SRV,Der Benutzer a hat sich an Anschlu\xDF P am 01/01/1999 um 01:00am.  "
                               "Verbindungszeit: 45 Minuten 12 s.  1 Bytes wurden gesendet";
    EXPECT_EQ(ExtractTime("EN", english), 3723);
    EXPECT_EQ(ExtractTime("DE", german), 2712);
    EXPECT_EQ(ExtractTime("de", english), 3723);
    EXPECT_FALSE(ExtractTime("EN", german));
    EXPECT_FALSE(ExtractTime("DE", english));
    // The first marker of the line counts.
    EXPECT_EQ(ExtractTime("EN", "The user was active for 2 s. The user was active for 9 s."), 2);
    EXPECT_FALSE(ExtractTime("EN", "The user was active for"));
    EXPECT_FALSE(ExtractTime("EN", "The user was active for a while"));
    EXPECT_EQ(ExtractTime("EN", "The user was active for5 s"), 5);
}

}  // namespace
}  // namespace vy
