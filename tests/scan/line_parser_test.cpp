#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "scan/line_parser.h"
#include "store/date_value.h"

namespace vy {
namespace {

const std::string kEnglish =
    "10/05/1998,10:15:42 AM,RemoteAccess,Information,None,20050,N/A,SRV1,The user DOM\\bob connected on port "
    "COM1 on 10/05/1998 at 09:30am and disconnected on 10/05/1998 at 10:15am.  The user was active for 45 "
    "minutes 12 seconds.  12345 bytes were sent and 67890 bytes were received. The port speed was 28800.  The "
    "reason for disconnecting was user request.";

// "Anschlu\xDF": the sharp s is one Latin-1 byte.
const std::string kGerman =
    "10/05/1998,10:15:42,RemoteAccess,Information,None,20050,N/A,SRV1,Der Benutzer DOM\\bob hat sich an "
    "Anschlu\xDF COM1 am 10/05/1998 um 09:30am angemeldet und am 10/05/1998 um 10:15am abgemeldet.  "
    "Verbindungszeit: 45 Minuten 12 s.  12345 Bytes wurden gesendet und 67890 Bytes empfangen. "
    "Geschwindigkeit: 28800.  Grund: Benutzeranforderung.";

// The line with the first occurrence of from replaced by to.
std::string With(std::string line, const std::string& from, const std::string& to)
{
    const std::size_t at = line.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        line.replace(at, from.size(), to);
    return line;
}

double At(int year, int month, int day, int hour, int minute)
{
    return *EncodeDate(year, month, day) + *EncodeTime(hour, minute, 0);
}

TEST(LineParser, ReadsEveryValueOfAnEnglishLine)
{
    ConnectionLine c;
    ASSERT_TRUE(ParseConnectionLine("EN", kEnglish, c));
    EXPECT_EQ(c.DateTime, At(1998, 10, 5, 9, 30));
    EXPECT_EQ(c.Domain, "DOM");
    EXPECT_EQ(c.User, "bob");
    EXPECT_EQ(c.Server, "SRV1");
    EXPECT_EQ(c.Port, "COM1");
    EXPECT_EQ(c.Speed, "28800");
    EXPECT_EQ(c.ActiveTime, 2712);
    EXPECT_EQ(c.BytesSent, 12345);
    EXPECT_EQ(c.BytesReceived, 67890);
}

TEST(LineParser, ReadsEveryValueOfAGermanLine)
{
    ConnectionLine c;
    ASSERT_TRUE(ParseConnectionLine("DE", kGerman, c));
    EXPECT_EQ(c.DateTime, At(1998, 10, 5, 9, 30));
    EXPECT_EQ(c.Domain, "DOM");
    EXPECT_EQ(c.User, "bob");
    EXPECT_EQ(c.Server, "SRV1");
    EXPECT_EQ(c.Port, "COM1");
    EXPECT_EQ(c.Speed, "28800");
    EXPECT_EQ(c.ActiveTime, 2712);
    EXPECT_EQ(c.BytesSent, 12345);
    EXPECT_EQ(c.BytesReceived, 67890);
}

TEST(LineParser, ParseAgreesWithEachExtractorAndViewsPointIntoTheLine)
{
    const std::string line = With(With(kEnglish, "DOM\\bob", "Corp\\Alice.Smith"), "COM1", "VPN3");
    ConnectionLine c;
    c.User = "left over from an earlier line";
    ASSERT_TRUE(ParseConnectionLine("EN", line, c));
    EXPECT_EQ(c.User, *ExtractUser("EN", line));
    EXPECT_EQ(c.User, "alice.smith");
    EXPECT_EQ(c.Domain, *ExtractDomain("EN", line));
    EXPECT_EQ(c.Port, *ExtractPort("EN", line));
    EXPECT_EQ(c.DateTime, *ExtractDateTime("EN", line));
    EXPECT_EQ(c.ActiveTime, *ExtractTime("EN", line));
    for (std::string_view v : {c.Domain, c.Server, c.Port, c.Speed}) {
        EXPECT_GE(v.data(), line.data());
        EXPECT_LE(v.data() + v.size(), line.data() + line.size());
    }
    EXPECT_EQ(c.Domain.data(), line.data() + line.find("Corp"));
}

TEST(LineParser, ParseFindsEachMarkerAsItsOwnExtractorDoes)
{
    // Earlier texts that hold the shorter markers but not the longer ones.
    const std::string english =
        With(kEnglish, "RemoteAccess", "RemoteAccess,The users\\x were connected on ports,connected on port");
    const std::string german = With(kGerman, "RemoteAccess", "RemoteAccess,Der Benutzerin hat sich an Anschluss");
    for (const auto& [lang, line] : {std::pair<const char*, std::string>{"EN", english}, {"DE", german}}) {
        ConnectionLine c;
        ASSERT_TRUE(ParseConnectionLine(lang, line, c)) << line;
        EXPECT_EQ(c.Domain, *ExtractDomain(lang, line));
        EXPECT_EQ(c.User, *ExtractUser(lang, line));
        EXPECT_EQ(c.Server, *ExtractServer(lang, line));
        EXPECT_EQ(c.Port, *ExtractPort(lang, line));
        EXPECT_EQ(c.Server, "SRV1");
        EXPECT_EQ(c.Domain, "DOM");
    }
    ConnectionLine c;
    ASSERT_TRUE(ParseConnectionLine("EN", english, c));
    // The user runs from the first "\\" to the first follower; the port
    // follows the first "connected on port " only.
    EXPECT_EQ(c.User, "x were");
    EXPECT_EQ(c.Port, "COM1");
    // German: the port is read after the first "hat sich an Anschlu", two
    // bytes on, whatever comes there.
    ASSERT_TRUE(ParseConnectionLine("DE", german, c));
    EXPECT_EQ(c.Port, ",Information,None,20050,N/A,SRV1,Der");
    EXPECT_EQ(c.User, "");  // that follower stands before the first "\\"
}

TEST(FindMarker, FindsTheFirstOccurrenceLikeAPlainSearch)
{
    // Small alphabets give many near misses; lengths cross the sixteen-byte
    // blocks of the fast search.
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    const char alphabet[] = "ab ,";
    for (int round = 0; round < 20000; ++round) {
        std::string hay(next() % 90, ' ');
        for (char& ch : hay)
            ch = alphabet[next() % 4];
        std::string needle(1 + next() % 24, ' ');
        for (char& ch : needle)
            ch = alphabet[next() % (round % 2 ? 2 : 4)];
        if (!hay.empty() && round % 3 == 0 && needle.size() <= hay.size())
            hay.replace(hay.size() - needle.size(), needle.size(), needle);  // a hit at the very end
        const std::size_t from = hay.empty() ? 0 : next() % (hay.size() + 2);
        ASSERT_EQ(FindMarker(hay, needle, from), std::string_view(hay).find(needle, from))
            << "[" << hay << "] [" << needle << "] " << from;
    }
    EXPECT_EQ(FindMarker("abc", "", 1), 1u);
    EXPECT_EQ(FindMarker("abc", "", 4), std::string_view::npos);
    EXPECT_EQ(FindMarker(std::string_view(), "a"), std::string_view::npos);
}

TEST(LineParser, LanguageIsGermanOnlyForExactlyDE)
{
    EXPECT_TRUE(IsGermanLanguage("DE"));
    for (const char* other : {"de", "De", "EN", "", "DE ", "GER"})
        EXPECT_FALSE(IsGermanLanguage(other)) << other;
    EXPECT_TRUE(IsConnectionLine("de", kEnglish, "20050"));
    EXPECT_FALSE(IsConnectionLine("de", kGerman, "20050"));
    EXPECT_FALSE(IsConnectionLine("EN", kGerman, "20050"));
    EXPECT_FALSE(IsConnectionLine("DE", kEnglish, "20050"));
    ConnectionLine c;
    EXPECT_FALSE(ParseConnectionLine("de", kGerman, c));
}

TEST(IsConnectionLine, ReadsTheIdListInSixCharacterSlots)
{
    const std::string line20048 = With(kEnglish, ",20050,", ",20048,");
    EXPECT_TRUE(IsConnectionLine("EN", kEnglish, "20050;20048"));
    EXPECT_TRUE(IsConnectionLine("EN", line20048, "20050;20048"));
    EXPECT_TRUE(IsConnectionLine("EN", kEnglish, "20050"));
    EXPECT_FALSE(IsConnectionLine("EN", line20048, "20050"));
    // The separator is never looked at.
    EXPECT_TRUE(IsConnectionLine("EN", line20048, "20050|20048"));
    // "20050;123;20048" is read as "20050" and "123;2".
    EXPECT_FALSE(IsConnectionLine("EN", line20048, "20050;123;20048"));
    EXPECT_TRUE(IsConnectionLine("EN", With(kEnglish, ",20050,", ",123;2,"), "20050;123;20048"));
    // The last slot may lack its separator; a shorter tail is no slot at all.
    EXPECT_TRUE(IsConnectionLine("EN", line20048, "11111;20048"));
    EXPECT_FALSE(IsConnectionLine("EN", kEnglish, "2005"));
    EXPECT_FALSE(IsConnectionLine("EN", kEnglish, ""));
    EXPECT_FALSE(IsConnectionLine("EN", line20048, "20050;2004"));
}

TEST(IsConnectionLine, NeedsTheIdAsAFieldAndTheRecognitionMarker)
{
    EXPECT_FALSE(IsConnectionLine("EN", With(kEnglish, ",20050,", ",200501,"), "20050"));
    EXPECT_FALSE(IsConnectionLine("EN", With(kEnglish, ",20050,", ",20050 ,"), "20050"));
    EXPECT_FALSE(IsConnectionLine("EN", With(kEnglish, "was active for", "was idle for"), "20050"));
    // Case matters for the marker.
    EXPECT_FALSE(IsConnectionLine("EN", With(kEnglish, "The user was", "the user was"), "20050"));
    // Wherever the ID field and marker stand.
    EXPECT_TRUE(IsConnectionLine("EN", "The user was active for,20050,", "20050"));
    EXPECT_TRUE(IsConnectionLine("DE", ",20048,Verbindungszeit:", "20050;20048"));
    EXPECT_FALSE(IsConnectionLine("EN", "", "20050"));
    EXPECT_FALSE(IsConnectionLine("EN", ",20050,", "20050"));
}

TEST(IsConnectionLine, MatcherGivesTheSameAnswers)
{
    const std::string lines[] = {kEnglish,
                                 kGerman,
                                 With(kEnglish, ",20050,", ",20048,"),
                                 With(kEnglish, ",20050,", ",123;2,"),
                                 With(kEnglish, "was active", "was not active"),
                                 "",
                                 ",20050,",
                                 "Verbindungszeit:,20050,"};
    for (const char* lang : {"EN", "DE", "de"})
        for (const char* ids : {"20050;20048", "20050", "", "20050;123;20048", "20048;20048", "2005", "20050 20048 "}) {
            const LineMatcher matcher(lang, ids);
            EXPECT_EQ(matcher.German(), std::string(lang) == "DE");
            for (const std::string& line : lines)
                EXPECT_EQ(matcher.IsConnectionLine(line), IsConnectionLine(lang, line, ids))
                    << lang << " " << ids << " " << line;
        }
}

TEST(ExtractDateTime, ConvertsTheTwelveHourClock)
{
    auto timeOf = [](const std::string& time) { return ExtractDateTime("EN", With(kEnglish, "09:30am", time)); };
    EXPECT_EQ(timeOf("12:05am"), At(1998, 10, 5, 0, 5));
    EXPECT_EQ(timeOf("12:05pm"), At(1998, 10, 5, 12, 5));
    EXPECT_EQ(timeOf("01:30pm"), At(1998, 10, 5, 13, 30));
    EXPECT_EQ(timeOf("11:59pm"), At(1998, 10, 5, 23, 59));
    // Only lower-case "am" is the morning.
    EXPECT_EQ(timeOf("01:30AM"), At(1998, 10, 5, 13, 30));
    EXPECT_EQ(timeOf("01:30Am"), At(1998, 10, 5, 13, 30));
    EXPECT_EQ(timeOf("01:30xx"), At(1998, 10, 5, 13, 30));
    // A 24-hour reading in the morning stays as it is.
    EXPECT_EQ(timeOf("13:30am"), At(1998, 10, 5, 13, 30));
    EXPECT_EQ(timeOf("00:00am"), At(1998, 10, 5, 0, 0));
    EXPECT_EQ(timeOf("00:00pm"), At(1998, 10, 5, 12, 0));
    // The ":" is not read.
    EXPECT_EQ(timeOf("09.30am"), At(1998, 10, 5, 9, 30));
}

TEST(ExtractDateTime, ReadsTheDateMonthFirstBeforeTheFirstTimeMarker)
{
    EXPECT_EQ(ExtractDateTime("EN", With(kEnglish, "10/05/1998 at", "04/10/1999 at")), At(1999, 4, 10, 9, 30));
    EXPECT_EQ(ExtractDateTime("EN", With(kEnglish, "10/05/1998 at", "02-29.2000 at")), At(2000, 2, 29, 9, 30));
    EXPECT_EQ(ExtractDateTime("DE", kGerman), At(1998, 10, 5, 9, 30));
    EXPECT_EQ(ExtractDateTime("EN", "12/31/1899 at 12:00pm"), 1.5);
    // The first " at " of the line decides, even inside another field.
    const std::string early = With(kEnglish, "RemoteAccess", "01/02/2003 at 04:05am");
    EXPECT_EQ(ExtractDateTime("EN", early), At(2003, 1, 2, 4, 5));
    // German " um " is not the English marker.
    EXPECT_FALSE(ExtractDateTime("EN", kGerman));
}

TEST(ExtractDateTime, RejectsMalformedDatesAndTimes)
{
    const char* bad[][2] = {
        {"10/05/1998 at 09:30am", "1O/05/1998 at 09:30am"},  // letter O in the month
        {"10/05/1998 at 09:30am", "10/5/1998 at 09:30am"},   // shifted: "0/" is no month
        {"10/05/1998 at 09:30am", "13/05/1998 at 09:30am"},  // no 13th month
        {"10/05/1998 at 09:30am", "00/05/1998 at 09:30am"},
        {"10/05/1998 at 09:30am", "02/30/1998 at 09:30am"},  // no 30 February
        {"10/05/1998 at 09:30am", "02/29/1999 at 09:30am"},
        {"10/05/1998 at 09:30am", "10/00/1998 at 09:30am"},
        {"10/05/1998 at 09:30am", "10/05/0000 at 09:30am"},
        {"10/05/1998 at 09:30am", "10/05/-998 at 09:30am"},
        {"10/05/1998 at 09:30am", "10/05/1998 at 13:30pm"},  // 25 o'clock
        {"10/05/1998 at 09:30am", "10/05/1998 at 24:00am"},
        {"10/05/1998 at 09:30am", "10/05/1998 at 09:60am"},
        {"10/05/1998 at 09:30am", "10/05/1998 at 9:30am "},
        {"10/05/1998 at 09:30am", "10/05/1998 at +9:30am"},
        {"10/05/1998 at 09:30am", "10/05/1998 at 09:3 am"},
    };
    for (const auto& b : bad)
        EXPECT_FALSE(ExtractDateTime("EN", With(kEnglish, b[0], b[1]))) << b[1];
    // No marker; a marker too near the start; a line ending inside the time.
    EXPECT_FALSE(ExtractDateTime("EN", With(With(kEnglish, " at ", " @ "), " at ", " @ ")));
    EXPECT_FALSE(ExtractDateTime("EN", "5/1998 at 09:30am"));
    EXPECT_FALSE(ExtractDateTime("EN", "10/05/1998 at 09:30a"));
    EXPECT_FALSE(ExtractDateTime("EN", "10/05/1998 at 09:3"));
    EXPECT_FALSE(ExtractDateTime("EN", "10/05/1998 at "));
    EXPECT_TRUE(ExtractDateTime("EN", "10/05/1998 at 09:30am"));
}

TEST(ExtractDomain, TakesTheTextBeforeTheBackslashOrLocal)
{
    EXPECT_EQ(ExtractDomain("EN", kEnglish), "DOM");
    EXPECT_EQ(ExtractDomain("DE", kGerman), "DOM");
    EXPECT_EQ(ExtractDomain("EN", With(kEnglish, "DOM\\bob", "DoM\\bob")), "DoM");
    EXPECT_EQ(ExtractDomain("EN", With(kEnglish, "DOM\\bob", "Bob")), "Local");
    EXPECT_EQ(ExtractDomain("DE", With(kGerman, "DOM\\bob", "Bob")), "Local");
    EXPECT_EQ(ExtractDomain("EN", With(kEnglish, "DOM\\bob", "Local\\bob")), "Local");
    EXPECT_EQ(ExtractDomain("EN", With(kEnglish, "DOM\\bob", "\\bob")), "");
    // Whichever of "\" and blank comes first.
    EXPECT_EQ(ExtractDomain("EN", With(kEnglish, "DOM\\bob", "D.O-M\\b\\ob")), "D.O-M");
    EXPECT_EQ(ExtractDomain("EN", ",The user x y\\z"), "Local");
}

TEST(ExtractDomain, IsMalformedWithoutMarkerOrEnd)
{
    EXPECT_FALSE(ExtractDomain("EN", With(kEnglish, ",The user ", ",The User ")));
    EXPECT_FALSE(ExtractDomain("EN", ",The user DOMbob"));
    EXPECT_FALSE(ExtractDomain("EN", ",The user "));
    EXPECT_FALSE(ExtractDomain("DE", kEnglish));
}

TEST(ExtractUser, LowerCasesTheTextAfterTheFirstBackslash)
{
    EXPECT_EQ(ExtractUser("EN", With(kEnglish, "DOM\\bob", "DOM\\Bob")), "bob");
    EXPECT_EQ(ExtractUser("DE", With(kGerman, "DOM\\bob", "DOM\\BoB")), "bob");
    EXPECT_EQ(ExtractUser("EN", With(kEnglish, "DOM\\bob", "Bob")), "bob");
    EXPECT_EQ(ExtractUser("DE", With(kGerman, "DOM\\bob", "Bob")), "bob");
    // Only A to Z change case; other bytes stay as they are.
    EXPECT_EQ(ExtractUser("EN", With(kEnglish, "DOM\\bob", "DOM\\J\xC4RG_Z@1")), "j\xC4rg_z@1");
    // The first "\" of the whole line, wherever it stands.
    EXPECT_EQ(ExtractUser("EN", With(kEnglish, "N/A,SRV1", "N/A,SR\\V1")), "v1,the user dom\\bob");
    EXPECT_EQ(ExtractUser("EN", With(kEnglish, "DOM\\bob", "A\\B\\Cd")), "b\\cd");
}

TEST(ExtractUser, IsEmptyWhenItWouldEndBeforeItBegins)
{
    // A "\" only after "connected on port".
    EXPECT_EQ(ExtractUser("EN", With(With(kEnglish, "DOM\\bob", "bob"), "COM1", "C\\M1")), "");
    // No user at all between the marker and its follower.
    EXPECT_EQ(ExtractUser("EN", With(kEnglish, "DOM\\bob ", "")), "");
    EXPECT_EQ(ExtractUser("EN", ",The user connected on port"), "");
    EXPECT_EQ(ExtractUser("EN", ",The userconnected on port"), "");
    EXPECT_EQ(ExtractUser("EN", "connected on port,The user"), "");
    EXPECT_EQ(ExtractUser("EN", ",The user x connected on port"), "x");
    const std::string noUser = With(kEnglish, "DOM\\bob ", "DOM\\ ");
    ConnectionLine c;
    ASSERT_TRUE(ParseConnectionLine("EN", noUser, c));
    EXPECT_EQ(c.User, "");
    EXPECT_EQ(c.Domain, "DOM");
}

TEST(ExtractUser, IsMalformedWithoutItsMarkers)
{
    EXPECT_FALSE(ExtractUser("EN", With(kEnglish, ",The user", ",A user")));
    EXPECT_FALSE(ExtractUser("EN", With(kEnglish, "connected on port", "connected to port")));
    EXPECT_FALSE(ExtractUser("DE", With(kGerman, "hat sich an", "hat sich bei")));
}

TEST(ExtractServer, TakesTheFieldBeforeTheMessage)
{
    EXPECT_EQ(ExtractServer("EN", kEnglish), "SRV1");
    EXPECT_EQ(ExtractServer("DE", kGerman), "SRV1");
    EXPECT_EQ(ExtractServer("EN", With(kEnglish, "N/A,SRV1,", "N/A,,")), "");
    EXPECT_EQ(ExtractServer("EN", With(kEnglish, "SRV1", "Srv Two")), "Srv Two");
    EXPECT_EQ(ExtractServer("EN", "a,b,The user x"), "b");
    EXPECT_EQ(ExtractServer("EN", ",,The user x"), "");
}

TEST(ExtractServer, IsMalformedWithoutACommaBefore)
{
    EXPECT_FALSE(ExtractServer("EN", "SRV1,The user DOM\\bob"));
    EXPECT_FALSE(ExtractServer("EN", ",The user DOM\\bob"));
    EXPECT_FALSE(ExtractServer("EN", "SRV1 The user DOM\\bob"));
}

TEST(ExtractPort, EnglishPortRunsToTheNextBlank)
{
    EXPECT_EQ(ExtractPort("EN", kEnglish), "COM1");
    EXPECT_EQ(ExtractPort("EN", With(kEnglish, "port COM1 on", "port VPN1-12 on")), "VPN1-12");
    EXPECT_EQ(ExtractPort("EN", With(kEnglish, "port COM1 on", "port  COM1 on")), "");
    EXPECT_FALSE(ExtractPort("EN", "connected on port COM1"));
    EXPECT_FALSE(ExtractPort("EN", "connected on port"));
    EXPECT_FALSE(ExtractPort("EN", With(kEnglish, "connected on port ", "connected on port:")));
}

TEST(ExtractPort, GermanPortSkipsTwoBytesAndHasAtLeastOne)
{
    EXPECT_EQ(ExtractPort("DE", kGerman), "COM1");
    // Any two bytes after the marker are skipped, whatever they are.
    EXPECT_EQ(ExtractPort("DE", With(kGerman, "Anschlu\xDF COM1", "Anschlu! COM1")), "COM1");
    EXPECT_EQ(ExtractPort("DE", With(kGerman, "Anschlu\xDF COM1", "Anschluss COM1")), " COM1");
    EXPECT_EQ(ExtractPort("DE", With(kGerman, "Anschlu\xDF COM1", "Anschlu\xC3\x9F COM1")), " COM1");
    // The port begins at the third byte; the blank is looked for from the fourth.
    EXPECT_EQ(ExtractPort("DE", With(kGerman, "Anschlu\xDF COM1", "Anschlu\xDF  COM1")), " COM1");
    EXPECT_EQ(ExtractPort("DE", With(kGerman, "Anschlu\xDF COM1", "Anschlu\xDF X COM1")), "X");
    EXPECT_EQ(ExtractPort("DE", "hat sich an Anschlu\xDF X "), "X");
    EXPECT_FALSE(ExtractPort("DE", "hat sich an Anschlu\xDF X"));
    EXPECT_FALSE(ExtractPort("DE", "hat sich an Anschlu\xDF "));
    EXPECT_FALSE(ExtractPort("DE", "hat sich an Anschlu"));
}

TEST(ExtractSpeed, KeepsTheTextUpToTheNextDot)
{
    EXPECT_EQ(ExtractSpeed("EN", kEnglish), "28800");
    EXPECT_EQ(ExtractSpeed("DE", kGerman), "28800");
    EXPECT_EQ(ExtractSpeed("EN", With(kEnglish, "was 28800.", "was 115,200 bps.")), "115,200 bps");
    EXPECT_EQ(ExtractSpeed("EN", With(kEnglish, "was 28800.", "was .")), "");
    EXPECT_EQ(ExtractSpeed("DE", With(kGerman, "Geschwindigkeit: 28800.", "Geschwindigkeit: 0028800.")), "0028800");
    EXPECT_FALSE(ExtractSpeed("EN", "The port speed was 28800"));
    EXPECT_FALSE(ExtractSpeed("EN", With(kEnglish, "The port speed", "The line speed")));
}

TEST(ExtractBytes, ReadsSignedThirtyTwoBitCounts)
{
    EXPECT_EQ(ExtractBytesSent("EN", kEnglish), 12345);
    EXPECT_EQ(ExtractBytesReceived("EN", kEnglish), 67890);
    EXPECT_EQ(ExtractBytesSent("DE", kGerman), 12345);
    EXPECT_EQ(ExtractBytesReceived("DE", kGerman), 67890);
    EXPECT_EQ(ExtractBytesSent("EN", With(kEnglish, "12345 bytes", "2147483647 bytes")), 2147483647);
    EXPECT_EQ(ExtractBytesSent("EN", With(kEnglish, "12345 bytes", "-2147483648 bytes")), -2147483647 - 1);
    EXPECT_EQ(ExtractBytesSent("EN", With(kEnglish, "12345 bytes", "  +007 bytes")), 7);
    EXPECT_EQ(ExtractBytesReceived("EN", With(kEnglish, "67890 bytes", "0 bytes")), 0);
    EXPECT_EQ(ExtractBytesReceived("DE", With(kGerman, "67890 Bytes", "-5 Bytes")), -5);
}

TEST(ExtractBytes, RejectsCountsThatDoNotConvert)
{
    for (const char* bad : {"2147483648", "-2147483649", "99999999999999999999", "12a45", "1 2", "- 5", "+",
                            "", "0x10", "12345 ", "1.5"}) {
        EXPECT_FALSE(ExtractBytesSent("EN", With(kEnglish, "12345 bytes were sent", std::string(bad) + " bytes were sent")))
            << bad;
        EXPECT_FALSE(ExtractBytesReceived("EN", With(kEnglish, "67890 bytes were received",
                                                     std::string(bad) + " bytes were received")))
            << bad;
    }
    // A marker missing, or the closing marker before the opening one.
    EXPECT_FALSE(ExtractBytesSent("EN", With(kEnglish, " seconds.  ", " seconds. ")));
    EXPECT_FALSE(ExtractBytesReceived("EN", With(kEnglish, "were received.", "were received")));
    EXPECT_FALSE(ExtractBytesSent("EN", " bytes were sent  seconds.  1"));
    EXPECT_FALSE(ExtractBytesSent("EN", " seconds.   bytes were sent "));
}

TEST(ExtractBytes, GermanSentCountFollowsTheFirstSDotBlankBlank)
{
    // An earlier "s.  " opens the number, wherever it stands.
    const std::string early = With(kGerman, "abgemeldet.  ", "abgemeldet. Status.  ");
    EXPECT_FALSE(ExtractBytesSent("DE", early));
    ConnectionLine c;
    EXPECT_FALSE(ParseConnectionLine("DE", early, c));
    const std::string both = With(kGerman, "abgemeldet.  ", "abgemeldet. Fs.  99 Bytes wurden gesendet und 5 Bytes empfangen. ");
    EXPECT_EQ(ExtractBytesSent("DE", both), 99);
    EXPECT_EQ(ExtractBytesReceived("DE", both), 5);
}

TEST(ParseConnectionLine, SkipsEveryKindOfMalformedLine)
{
    const std::pair<const char*, const char*> english[] = {
        {" at 09:30am and disconnected on 10/05/1998 at ", " by 09:30am and disconnected on 10/05/1998 by "},
        {"09:30am", "09:75am"},                     // minute
        {",The user DOM", ",A user DOM"},           // domain, user and server
        {"connected on port COM1 on", "connected at port COM1 on"},
        {"The user was active", "The user is active"},  // recognition marker and active time
        {"45 minutes", "45 moments 3 days"},
        {"45 minutes 12 seconds", "ninety minutes"},
        {"12345 bytes", "1e5 bytes"},
        {"67890 bytes", "67890000000 bytes"},
        {"The port speed was", "The port rate was"},
    };
    for (const auto& [from, to] : english) {
        ConnectionLine c;
        EXPECT_FALSE(ParseConnectionLine("EN", With(kEnglish, from, to), c)) << to;
    }
    ConnectionLine c;
    EXPECT_FALSE(ParseConnectionLine("EN", kEnglish.substr(kEnglish.find("SRV1")), c));
    EXPECT_FALSE(ParseConnectionLine("DE", With(kGerman, "Geschwindigkeit: 28800.  Grund: Benutzeranforderung.",
                                                "Geschwindigkeit: 28800"),
                                     c));
    EXPECT_FALSE(ParseConnectionLine("DE", With(kGerman, "Anschlu\xDF COM1 am 10/05/1998 um 09:30am angemeldet und am "
                                                         "10/05/1998 um 10:15am abgemeldet.  ",
                                                "Anschlu\xDF COM1 am 10/05/1998 um "),
                                     c));
}

TEST(ParseConnectionLine, ReadsNothingBeyondTheLine)
{
    // Each prefix in a buffer of exactly its size, so that a read past the
    // end is caught by the address sanitizer. The line is whole once it
    // holds the "." after the speed.
    for (const auto& [lang, line] : {std::pair<const char*, std::string>{"EN", kEnglish}, {"DE", kGerman}}) {
        const std::size_t needed = line.find("28800.") + 6;
        for (std::size_t n = 0; n <= line.size(); ++n) {
            std::unique_ptr<char[]> buffer(new char[n == 0 ? 1 : n]);
            std::memcpy(buffer.get(), line.data(), n);
            const std::string_view prefix(buffer.get(), n);
            ConnectionLine c;
            EXPECT_EQ(ParseConnectionLine(lang, prefix, c), n >= needed) << lang << " " << n;
            (void)IsConnectionLine(lang, prefix, "20050");
            (void)ExtractUser(lang, prefix);
            (void)ExtractPort(lang, prefix);
            (void)ExtractServer(lang, prefix);
            (void)ExtractDomain(lang, prefix);
            (void)ExtractDateTime(lang, prefix);
        }
    }
}

TEST(ParseByteCount, AcceptsBlanksSignAndDigitsOnly)
{
    EXPECT_EQ(ParseByteCount("0"), 0);
    EXPECT_EQ(ParseByteCount("   42"), 42);
    EXPECT_EQ(ParseByteCount("-0"), 0);
    EXPECT_EQ(ParseByteCount("000000000000002147483647"), 2147483647);
    EXPECT_FALSE(ParseByteCount("\t42"));
    EXPECT_FALSE(ParseByteCount("42 "));
    EXPECT_FALSE(ParseByteCount("--4"));
    EXPECT_FALSE(ParseByteCount("   "));
    EXPECT_FALSE(ParseByteCount("-"));
}

}  // namespace
}  // namespace vy
