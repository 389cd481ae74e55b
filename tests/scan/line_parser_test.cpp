#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "loggen/log_generator.h"
#include "scan/event_list.h"
#include "scan/line_parser.h"
#include "scan/line_parser_reference.h"
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

// The values of a line, copied out of it, or nullopt when it is malformed.
std::optional<reference::Values> Parsed(const std::string& line, const char* lang = "EN")
{
    ConnectionLine c;
    if (!ParseConnectionLine(lang, line, c))
        return std::nullopt;
    return reference::Values{c.DateTime,           std::string(c.Domain), c.User,      std::string(c.Server),
                             std::string(c.Port),  std::string(c.Speed),  c.ActiveTime, c.BytesSent,
                             c.BytesReceived};
}

// The values of kEnglish with the first from replaced by to.
std::optional<reference::Values> Changed(const std::string& from, const std::string& to)
{
    return Parsed(With(kEnglish, from, to));
}

bool Recognised(const char* lang, std::string_view line, std::string_view ids)
{
    return LineMatcher(lang, EventList(ids)).IsConnectionLine(line);
}

std::string Shown(std::string_view line)
{
    std::string out;
    for (unsigned char c : line) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
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

TEST(LineParser, ViewsPointIntoTheLineAndTheUserBufferIsReset)
{
    const std::string line = With(With(kEnglish, "DOM\\bob", "Corp\\Alice.Smith"), "COM1", "VPN3");
    ConnectionLine c;
    c.User = "left over from an earlier line";
    ASSERT_TRUE(ParseConnectionLine("EN", line, c));
    EXPECT_EQ(c.User, "alice.smith");
    EXPECT_EQ(c.Port, "VPN3");
    for (std::string_view v : {c.Domain, c.Server, c.Port, c.Speed}) {
        EXPECT_GE(v.data(), line.data());
        EXPECT_LE(v.data() + v.size(), line.data() + line.size());
    }
    EXPECT_EQ(c.Domain.data(), line.data() + line.find("Corp"));
}

TEST(LineParser, FindsEachMarkerWhereverItFirstStands)
{
    // Earlier texts that hold the shorter markers but not the longer ones.
    const std::string english =
        With(kEnglish, "RemoteAccess", "RemoteAccess,The users\\x were connected on ports,connected on port");
    const std::string german = With(kGerman, "RemoteAccess", "RemoteAccess,Der Benutzerin hat sich an Anschluss");
    const auto e = Parsed(english);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Server, "SRV1");
    EXPECT_EQ(e->Domain, "DOM");
    // The user runs from the first "\\" to the first follower; the port
    // follows the first "connected on port " only.
    EXPECT_EQ(e->User, "x were");
    EXPECT_EQ(e->Port, "COM1");
    // German: the port is read after the first "hat sich an Anschlu", two
    // bytes on, whatever comes there.
    const auto g = Parsed(german, "DE");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->Port, ",Information,None,20050,N/A,SRV1,Der");
    EXPECT_EQ(g->User, "");  // that follower stands before the first "\\"
    EXPECT_EQ(g->Domain, "DOM");
}

TEST(LineParser, LanguageIsGermanOnlyForExactlyDE)
{
    EXPECT_TRUE(Recognised("DE", kGerman, "20050"));
    EXPECT_TRUE(Recognised("de", kEnglish, "20050"));
    EXPECT_FALSE(Recognised("de", kGerman, "20050"));
    EXPECT_FALSE(Recognised("EN", kGerman, "20050"));
    EXPECT_FALSE(Recognised("DE", kEnglish, "20050"));
    EXPECT_FALSE(Parsed(kGerman, "de"));
    EXPECT_TRUE(Parsed(kEnglish, "DE "));
    EXPECT_EQ(LineMatcher("DE", EventList("")).Marker(), "Verbindungszeit:");
    EXPECT_EQ(LineMatcher("De", EventList("")).Marker(), "The user was active for");
}

TEST(LineMatcher, ReadsTheIdListInSixCharacterSlots)
{
    const std::string line20048 = With(kEnglish, ",20050,", ",20048,");
    EXPECT_TRUE(Recognised("EN", kEnglish, "20050;20048"));
    EXPECT_TRUE(Recognised("EN", line20048, "20050;20048"));
    EXPECT_TRUE(Recognised("EN", kEnglish, "20050"));
    EXPECT_FALSE(Recognised("EN", line20048, "20050"));
    // The separator is never looked at.
    EXPECT_TRUE(Recognised("EN", line20048, "20050|20048"));
    // "20050;123;20048" is read as "20050" and "123;2".
    EXPECT_FALSE(Recognised("EN", line20048, "20050;123;20048"));
    EXPECT_TRUE(Recognised("EN", With(kEnglish, ",20050,", ",123;2,"), "20050;123;20048"));
    // The last slot may lack its separator; a shorter tail is no slot at all.
    EXPECT_TRUE(Recognised("EN", line20048, "11111;20048"));
    EXPECT_FALSE(Recognised("EN", kEnglish, "2005"));
    EXPECT_FALSE(Recognised("EN", kEnglish, ""));
    EXPECT_FALSE(Recognised("EN", line20048, "20050;2004"));
}

TEST(LineMatcher, NeedsTheIdAsAFieldAndTheRecognitionMarker)
{
    EXPECT_FALSE(Recognised("EN", With(kEnglish, ",20050,", ",200501,"), "20050"));
    EXPECT_FALSE(Recognised("EN", With(kEnglish, ",20050,", ",20050 ,"), "20050"));
    EXPECT_FALSE(Recognised("EN", With(kEnglish, "was active for", "was idle for"), "20050"));
    // Case matters for the marker.
    EXPECT_FALSE(Recognised("EN", With(kEnglish, "The user was", "the user was"), "20050"));
    // Wherever the ID field and marker stand; IDs may hold commas themselves.
    EXPECT_TRUE(Recognised("EN", "The user was active for,20050,", "20050"));
    EXPECT_TRUE(Recognised("DE", ",20048,Verbindungszeit:", "20050;20048"));
    EXPECT_TRUE(Recognised("EN", "The user was active for,1,2,3,", "12345;1,2,3"));
    EXPECT_FALSE(Recognised("EN", "", "20050"));
    EXPECT_FALSE(Recognised("EN", ",20050,", "20050"));
}

TEST(LineMatcher, AgreesWithTheSubstringTestForLongAndShortLists)
{
    // Lines of few distinct bytes hold many "," + five bytes + "," places,
    // overlapping ones among them; the lists draw on the same bytes and IDs.
    std::mt19937 rng(31);
    auto text = [&rng](std::size_t n) {
        std::string t = reference::RandomText(rng, ",12;T", n);
        for (const char* id : {"20272", "20251"})
            if (rng() % 4 == 0)
                t.insert(rng() % (t.size() + 1), std::string(",") + id + ",");
        return t;
    };
    int accepted = 0;
    int alsoSeen = 0;
    for (int round = 0; round < 300; ++round) {
        const std::string ids = text(round % 3 == 0 ? 6000 : rng() % 40);
        const EventList events(ids);
        std::string also;  // the events left out, told apart in the same pass
        for (const std::string& id : events.Unlisted())
            also += id + ";";
        const LineMatcher matcher("EN", events);
        for (int i = 0; i < 40; ++i) {
            const std::string line = text(rng() % 60) + (i % 2 ? "The user was active for" : "") + text(rng() % 60);
            const bool want = reference::IsConnectionLine("EN", line, ids);
            ASSERT_EQ(matcher.IsConnectionLine(line), want) << "[" << ids << "] [" << line << "]";
            if (line.find(matcher.Marker()) != std::string::npos) {
                const bool wantAlso = !want && reference::IsConnectionLine("EN", line, also);
                ASSERT_EQ(matcher.IdFieldOf(line), want       ? LineMatcher::IdField::Listed
                                                   : wantAlso ? LineMatcher::IdField::Also
                                                              : LineMatcher::IdField::None)
                    << "[" << ids << "] [" << also << "] [" << line << "]";
                alsoSeen += wantAlso;
            }
            accepted += want;
        }
    }
    EXPECT_GT(accepted, 500);
    EXPECT_GT(alsoSeen, 50);
    // A thousand listed IDs, each recognised where it stands, and no other.
    std::string ids;
    for (int id = 30000; id < 31000; ++id)
        ids += std::to_string(id) + ";";
    const LineMatcher thousand("EN", EventList(ids));
    for (int id = 29990; id < 31010; ++id)
        EXPECT_EQ(thousand.IsConnectionLine(With(kEnglish, "20050", std::to_string(id))), id >= 30000 && id < 31000)
            << id;
}

TEST(ExtractDateTime, ConvertsTheTwelveHourClock)
{
    auto timeOf = [](const std::string& time) { return Changed("09:30am", time)->DateTime; };
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
    EXPECT_EQ(Changed("10/05/1998 at", "04/10/1999 at")->DateTime, At(1999, 4, 10, 9, 30));
    EXPECT_EQ(Changed("10/05/1998 at", "02-29.2000 at")->DateTime, At(2000, 2, 29, 9, 30));
    EXPECT_EQ(Parsed(kGerman, "DE")->DateTime, At(1998, 10, 5, 9, 30));
    EXPECT_EQ(Changed("10/05/1998 at 09:30am", "12/31/1899 at 12:00pm")->DateTime, 1.5);
    // The first " at " of the line decides, even inside another field.
    EXPECT_EQ(Changed("RemoteAccess", "01/02/2003 at 04:05am")->DateTime, At(2003, 1, 2, 4, 5));
}

TEST(ExtractDateTime, RejectsMalformedDatesAndTimes)
{
    for (const char* bad : {
             "1O/05/1998 at 09:30am",  // letter O in the month
             "10/5/1998 at 09:30am",   // shifted: "0/" is no month
             "13/05/1998 at 09:30am",  // no 13th month
             "00/05/1998 at 09:30am", "02/30/1998 at 09:30am", "02/29/1999 at 09:30am", "10/00/1998 at 09:30am",
             "10/05/0000 at 09:30am", "10/05/-998 at 09:30am", "10/05/19 8 at 09:30am",
             "10/05/1998 at 13:30pm",  // 25 o'clock
             "10/05/1998 at 24:00am", "10/05/1998 at 09:60am", "10/05/1998 at 9:30am ", "10/05/1998 at +9:30am",
             "10/05/1998 at 09:3 am"})
        EXPECT_FALSE(Changed("10/05/1998 at 09:30am", bad)) << bad;
    EXPECT_FALSE(Changed("RemoteAccess", " at "));  // no date before the first marker
}

TEST(ExtractDomain, TakesTheTextBeforeTheBackslashOrLocal)
{
    auto domainOf = [](const std::string& who) { return std::string(Changed("DOM\\bob", who)->Domain); };
    EXPECT_EQ(Parsed(kGerman, "DE")->Domain, "DOM");
    EXPECT_EQ(domainOf("DoM\\bob"), "DoM");
    EXPECT_EQ(domainOf("Bob"), "Local");
    EXPECT_EQ(Parsed(With(kGerman, "DOM\\bob", "Bob"), "DE")->Domain, "Local");
    EXPECT_EQ(domainOf("Local\\bob"), "Local");
    EXPECT_EQ(domainOf("\\bob"), "");
    // Whichever of "\" and blank comes first.
    EXPECT_EQ(domainOf("D.O-M\\b\\ob"), "D.O-M");
    EXPECT_EQ(domainOf("x y\\z"), "Local");
    EXPECT_FALSE(Changed(",The user ", ",The User "));
}

TEST(ExtractUser, LowerCasesTheTextAfterTheFirstBackslash)
{
    auto userOf = [](const std::string& from, const std::string& to) { return Changed(from, to)->User; };
    EXPECT_EQ(userOf("DOM\\bob", "DOM\\Bob"), "bob");
    EXPECT_EQ(Parsed(With(kGerman, "DOM\\bob", "DOM\\BoB"), "DE")->User, "bob");
    EXPECT_EQ(userOf("DOM\\bob", "Bob"), "bob");
    EXPECT_EQ(Parsed(With(kGerman, "DOM\\bob", "Bob"), "DE")->User, "bob");
    // Only A to Z change case; other bytes stay as they are.
    EXPECT_EQ(userOf("DOM\\bob", "DOM\\J\xC4RG_Z@1"), "j\xC4rg_z@1");
    // The first "\" of the whole line, wherever it stands.
    EXPECT_EQ(userOf("N/A,SRV1", "N/A,SR\\V1"), "v1,the user dom\\bob");
    EXPECT_EQ(userOf("DOM\\bob", "A\\B\\Cd"), "b\\cd");
    // Empty when it would end before it begins, or there is none.
    EXPECT_EQ(Parsed(With(With(kEnglish, "DOM\\bob", "bob"), "COM1", "C\\M1"))->User, "");
    EXPECT_EQ(userOf("DOM\\bob ", ""), "");
    EXPECT_EQ(userOf("DOM\\bob ", "DOM\\ "), "");
    EXPECT_FALSE(Changed(",The user", ",A user"));
    EXPECT_FALSE(Changed("connected on port", "connected to port"));
    EXPECT_FALSE(Parsed(With(kGerman, "hat sich an", "hat sich bei"), "DE"));
}

TEST(ExtractServer, TakesTheFieldBeforeTheMessage)
{
    EXPECT_EQ(Parsed(kGerman, "DE")->Server, "SRV1");
    EXPECT_EQ(Changed("N/A,SRV1,", "N/A,,")->Server, "");
    EXPECT_EQ(Changed("SRV1", "Srv Two")->Server, "Srv Two");
    EXPECT_FALSE(Parsed(kEnglish.substr(kEnglish.find("SRV1"))));
    EXPECT_FALSE(Parsed(kEnglish.substr(kEnglish.find(",The user"))));
}

TEST(ExtractPort, EnglishPortRunsToTheNextBlank)
{
    EXPECT_EQ(Changed("port COM1 on", "port VPN1-12 on")->Port, "VPN1-12");
    EXPECT_EQ(Changed("port COM1 on", "port  COM1 on")->Port, "");
    EXPECT_FALSE(Changed("connected on port ", "connected on port:"));
}

TEST(ExtractPort, GermanPortSkipsTwoBytesAndHasAtLeastOne)
{
    auto portOf = [](const std::string& to) { return Parsed(With(kGerman, "Anschlu\xDF COM1", to), "DE")->Port; };
    // Any two bytes after the marker are skipped, whatever they are.
    EXPECT_EQ(portOf("Anschlu! COM1"), "COM1");
    EXPECT_EQ(portOf("Anschluss COM1"), " COM1");
    EXPECT_EQ(portOf("Anschlu\xC3\x9F COM1"), " COM1");
    // The port begins at the third byte; the blank is looked for from the fourth.
    EXPECT_EQ(portOf("Anschlu\xDF  COM1"), " COM1");
    EXPECT_EQ(portOf("Anschlu\xDF X COM1"), "X");
}

TEST(ExtractSpeed, KeepsTheTextUpToTheNextDot)
{
    EXPECT_EQ(Parsed(kGerman, "DE")->Speed, "28800");
    EXPECT_EQ(Changed("was 28800.", "was 115,200 bps.")->Speed, "115,200 bps");
    EXPECT_EQ(Changed("was 28800.", "was .")->Speed, "");
    EXPECT_EQ(Parsed(With(kGerman, "Geschwindigkeit: 28800.", "Geschwindigkeit: 0028800."), "DE")->Speed, "0028800");
    EXPECT_FALSE(Changed("The port speed", "The line speed"));
}

TEST(ExtractBytes, ReadsSignedSixtyFourBitCounts)
{
    auto sent = [](const std::string& count) { return Changed("12345 bytes", count + " bytes")->BytesSent; };
    EXPECT_EQ(sent("2147483647"), 2147483647);
    EXPECT_EQ(sent("2147483648"), std::int64_t{1} << 31);  // a session above 2 GiB
    EXPECT_EQ(sent("3000000000"), 3000000000);
    EXPECT_EQ(sent("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(sent("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(sent("  +007"), 7);
    EXPECT_EQ(sent("   42"), 42);
    EXPECT_EQ(sent("-0"), 0);
    EXPECT_EQ(Changed("67890 bytes", "0 bytes")->BytesReceived, 0);
    EXPECT_EQ(Changed("67890 bytes", "4294967296 bytes")->BytesReceived, std::int64_t{1} << 32);
    EXPECT_EQ(Parsed(With(kGerman, "67890 Bytes", "-5 Bytes"), "DE")->BytesReceived, -5);
}

TEST(ExtractBytes, RejectsCountsThatDoNotConvert)
{
    for (const char* bad : {"9223372036854775808", "-9223372036854775809", "99999999999999999999", "12a45", "1 2",
                            "- 5", "+", "", "0x10", "12345 ", "1.5", "\t42", "--4", "+-4", "   ", "-"}) {
        EXPECT_FALSE(Changed("12345 bytes were sent", std::string(bad) + " bytes were sent")) << bad;
        EXPECT_FALSE(Changed("67890 bytes were received", std::string(bad) + " bytes were received")) << bad;
    }
    // A marker missing, or the closing marker before the opening one.
    EXPECT_FALSE(Changed(" seconds.  ", " seconds. "));
    EXPECT_FALSE(Changed("were received.", "were received"));
    EXPECT_FALSE(Changed("RemoteAccess", "RemoteAccess bytes were sent "));
}

TEST(ExtractBytes, GermanSentCountFollowsTheFirstSDotBlankBlank)
{
    // An earlier "s.  " opens the number, wherever it stands.
    EXPECT_FALSE(Parsed(With(kGerman, "abgemeldet.  ", "abgemeldet. Status.  "), "DE"));
    const auto both = Parsed(
        With(kGerman, "abgemeldet.  ", "abgemeldet. Fs.  99 Bytes wurden gesendet und 5 Bytes empfangen. "), "DE");
    ASSERT_TRUE(both);
    EXPECT_EQ(both->BytesSent, 99);
    EXPECT_EQ(both->BytesReceived, 5);
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
        {"67890 bytes", "67890000000000000000000 bytes"},
        {"The port speed was", "The port rate was"},
    };
    for (const auto& [from, to] : english)
        EXPECT_FALSE(Changed(from, to)) << to;
    EXPECT_FALSE(Parsed(With(kGerman, "Geschwindigkeit: 28800.  Grund: Benutzeranforderung.", "Geschwindigkeit: 28800"),
                        "DE"));
    EXPECT_FALSE(Parsed(With(kGerman,
                             "Anschlu\xDF COM1 am 10/05/1998 um 09:30am angemeldet und am 10/05/1998 um 10:15am "
                             "abgemeldet.  ",
                             "Anschlu\xDF COM1 am 10/05/1998 um "),
                        "DE"));
}

// Current servers' form: event 20272.
const std::string kCurrent =
    "12/06/2026,10:27:41 AM,RemoteAccess,Information,None,20272,N/A,GATE2,RoutingDomainID- "
    "{00000000-0000-0000-0000-000000000000}: CoID={6AB2C1D0-1111-2222-3333-444455556666}: The user CORP\\Jane "
    "connected on port VPN2-1 on 12/6/2026 at 9:05 AM and disconnected on 12/06/2026 at 10:27 AM.  The user was "
    "active for 81 minutes 52 seconds.  3000000000 bytes were sent and 192742 bytes were received.  The reason for "
    "disconnecting was user request.";

TEST(CurrentForm, ReadsEveryValue)
{
    const auto c = Parsed(kCurrent);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->DateTime, At(2026, 12, 6, 9, 5));
    EXPECT_EQ(c->Domain, "CORP");
    EXPECT_EQ(c->User, "jane");
    EXPECT_EQ(c->Server, "GATE2");
    EXPECT_EQ(c->Port, "VPN2-1");
    EXPECT_EQ(c->Speed, "0");
    EXPECT_EQ(c->ActiveTime, 81 * 60 + 52);
    EXPECT_EQ(c->BytesSent, 3000000000);
    EXPECT_EQ(c->BytesReceived, 192742);
    EXPECT_TRUE(Recognised("EN", kCurrent, "20050;20048;20272"));
    EXPECT_FALSE(Recognised("EN", kCurrent, "20050;20048"));
    // Only the English setting reads it.
    EXPECT_FALSE(Parsed(kCurrent, "DE"));
}

TEST(CurrentForm, ToleratesItsVariants)
{
    auto changed = [](std::string line, const std::vector<std::pair<std::string, std::string>>& changes) {
        for (const auto& [from, to] : changes)
            line = With(line, from, to);
        return Parsed(line);
    };
    const std::size_t routing = kCurrent.find("Routing");
    const std::string plain = With(kCurrent, kCurrent.substr(routing, kCurrent.find("The user") - routing), "");
    ASSERT_TRUE(Parsed(plain));
    EXPECT_EQ(Parsed(plain)->User, "jane");
    // One blank between sentences; one- and two-digit fields; am and pm in any case.
    const auto variant = changed(plain, {{".  The", ". The"}, {"seconds.  ", "seconds. "},
                                         {"12/6/2026 at 9:05 AM", "1/16/2027 at 12:59 am"}, {"CORP\\Jane", "sam"}});
    ASSERT_TRUE(variant);
    EXPECT_EQ(variant->DateTime, At(2027, 1, 16, 0, 59));
    EXPECT_EQ(variant->Domain, "Local");
    EXPECT_EQ(variant->User, "sam");
    EXPECT_EQ(changed(plain, {{"9:05 AM", "12:00 Pm"}})->DateTime, At(2026, 12, 6, 12, 0));
    EXPECT_EQ(changed(plain, {{"9:05 AM", "11:30 pM"}})->DateTime, At(2026, 12, 6, 23, 30));
    // The message in double quotes, "" standing for one.
    const std::string quoted = With(With(plain, "GATE2,The", "GATE2,\"The"), "request.", "\"\"user\"\" request.\"");
    const auto q = Parsed(quoted);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->Port, "VPN2-1");
    EXPECT_EQ(q->BytesSent, 3000000000);
    const auto inside = Parsed(With(quoted, "CORP\\Jane", "CO\"\"RP\\Jane"));
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->Domain, "CO\"RP");
    EXPECT_EQ(inside->Server, "GATE2");
}

// 20251: the same message with the port speed; times on the 24-hour clock
// and direction marks (as single bytes "?", as UTF-8 raw) in the date.
TEST(CurrentForm, ReadsTheSpeedOf20251AndTheOtherClockAndMarks)
{
    const std::string speed = With(With(kCurrent, ",20272,", ",20251,"), "received.  The reason",
                                   "received.  The port speed was 115200.  The reason");
    ASSERT_TRUE(Parsed(speed));
    EXPECT_EQ(Parsed(speed)->Speed, "115200");
    EXPECT_EQ(Parsed(speed)->DateTime, Parsed(kCurrent)->DateTime);
    EXPECT_FALSE(Parsed(With(kCurrent, ",20272,", ",20251,")));  // 20251 without its speed
    EXPECT_EQ(Parsed(With(kCurrent, "9:05 AM", "21:05"))->DateTime, At(2026, 12, 6, 21, 5));
    EXPECT_EQ(Parsed(With(kCurrent, "9:05 AM", "0:05"))->DateTime, At(2026, 12, 6, 0, 5));
    EXPECT_FALSE(Parsed(With(kCurrent, "9:05 AM", "24:05")));
    EXPECT_EQ(Parsed(With(kCurrent, "12/6/2026 at", "?12/?6/?2026 at"))->DateTime, At(2026, 12, 6, 9, 5));
    EXPECT_EQ(Parsed(With(kCurrent, "12/6/2026 at", "\xE2\x80\x8F" "12/\xE2\x80\x8E" "6/2026 at"))->DateTime,
              At(2026, 12, 6, 9, 5));
}

TEST(CurrentForm, IsMalformedWithoutAnyOfItsParts)
{
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"CoID={", "CoID="},                          // prefix not closed
             {"The user CORP", "A user CORP"},
             {"connected on port", "connected to port"},
             {" on 12/6/2026", " at 12/6/2026"},
             {"12/6/2026 at", "12/6/26 at"},
             {"12/6/2026 at", "13/6/2026 at"},
             {"12/6/2026 at", "2/30/2026 at"},
             {"9:05 AM", "13:05 PM"},
             {"9:05 AM", "0:05 AM"},
             {"9:05 AM", "9:5 AM"},
             {"9:05 AM", "9:05 XM"},
             {"9:05 AM", "9:05AM"},
             {"was active for", "was idle for"},
             {"52 seconds", "52 fortnights"},
             {"52 seconds.", "52 seconds;"},
             {"3000000000 bytes", "3e9 bytes"},
             {"3000000000 bytes", "99999999999999999999 bytes"},
             {"bytes were received", "bytes came in"},
             {",GATE2,", ";GATE2,"},                        // too few fields before the message
         })
        EXPECT_FALSE(Parsed(With(kCurrent, from, to))) << to;
    EXPECT_FALSE(Parsed(With(kCurrent, "GATE2,Routing", "GATE2,\"Routing")));  // quote never closed
    // The classic form under this ID is not read either.
    EXPECT_FALSE(Parsed(With(kEnglish, ",20050,", ",20272,")));
}

TEST(ParseConnectionLine, ReadsNothingBeyondTheLine)
{
    // Each prefix in a buffer of exactly its size, so that a read past the
    // end is caught by the address sanitizer. The line is whole once it
    // holds the "." after the speed, or after the received count.
    for (const auto& [lang, line, whole] : {std::tuple<const char*, std::string, std::string>{"EN", kEnglish, "28800."},
                                            {"DE", kGerman, "28800."},
                                            {"EN", kCurrent, "were received."}}) {
        const std::size_t needed = line.find(whole) + whole.size();
        for (std::size_t n = 0; n <= line.size(); ++n) {
            std::unique_ptr<char[]> buffer(new char[n == 0 ? 1 : n]);
            std::memcpy(buffer.get(), line.data(), n);
            const std::string_view prefix(buffer.get(), n);
            ConnectionLine c;
            EXPECT_EQ(ParseConnectionLine(lang, prefix, c), n >= needed) << lang << " " << n;
            const char* ids = "20050;20272";
            EXPECT_EQ(Recognised(lang, prefix, ids), reference::IsConnectionLine(lang, prefix, ids));
        }
    }
}

// Whether ParseConnectionLine gives what the plain rules give one value at a
// time: success exactly when each of them succeeds, and then the same values.
testing::AssertionResult AgreesWithReference(const char* lang, std::string_view text, bool* parsed = nullptr)
{
    // A copy of exactly the line's size, so that the address sanitizer sees
    // any read beyond it.
    const std::unique_ptr<char[]> bytes(new char[text.size() + 1]);
    std::memcpy(bytes.get(), text.data(), text.size());
    const std::string_view line(bytes.get(), text.size());
    const auto want = reference::Parse(lang, line);
    ConnectionLine c;
    c.User = "left from before";
    const bool ok = ParseConnectionLine(lang, line, c);
    if (parsed != nullptr)
        *parsed = ok;
    if (ok != want.has_value())
        return testing::AssertionFailure() << lang << " parse " << ok << " reference " << !ok << ": " << Shown(text);
    if (ok && !(c.DateTime == want->DateTime && c.Domain == want->Domain && c.User == want->User &&
                c.Server == want->Server && c.Port == want->Port && c.Speed == want->Speed &&
                c.ActiveTime == want->ActiveTime && c.BytesSent == want->BytesSent &&
                c.BytesReceived == want->BytesReceived))
        return testing::AssertionFailure() << lang << " values differ: " << Shown(text) << " -> " << c.Domain << "|"
                                           << c.User << "|" << c.Server << "|" << c.Port << "|" << c.Speed;
    // The views point into the line itself (the domain may be "Local").
    for (std::string_view v : {c.Server, c.Port, c.Speed})
        if (ok && (v.data() < line.data() || v.data() + v.size() > line.data() + line.size()))
            return testing::AssertionFailure() << "a value outside the line: " << Shown(text);
    return testing::AssertionSuccess();
}

// Collects generated lines: connection lines and the other events beside them.
class Collect : public loggen::LineSink {
public:
    void BeginFile(const std::string&) override {}
    void Line(const std::string& line, const loggen::Connection* connection, bool) override
    {
        (connection != nullptr ? connections : others).push_back(line);
    }
    std::vector<std::string> connections, others;
};

Collect GeneratedLines(loggen::Language lang)
{
    loggen::GeneratorOptions o;
    o.Seed = 99;
    o.ConnectionLines = 300;
    o.OtherLines = 300;
    o.Lang = lang;
    o.LocalUsersPercent = 30;
    Collect lines;
    loggen::GenerateLines(o, lines);
    return lines;
}

// Every text the markers of either language are made of, and pieces of them.
std::vector<std::string> Fragments()
{
    std::vector<std::string> out;
    for (std::string_view m :
         {"The user was active for", ",The user ", "connected on port ", " at ", " seconds.  ", " bytes were sent ",
          "bytes were sent and ", " bytes were received.", "The port speed was ", "Verbindungszeit:",
          ",Der Benutzer ", "hat sich an Anschlu", " um ", "s.  ", " Bytes wurden gesendet und ", " Bytes empfangen. ",
          "Geschwindigkeit: "}) {
        out.emplace_back(m);
        out.emplace_back(m.substr(0, m.size() / 2));
        out.emplace_back(m.substr(1));
        // and each of its words
        for (std::size_t at = 0, blank = 0; blank != std::string_view::npos; at = blank + 1) {
            blank = m.find(' ', at);
            if (blank != at && at < m.size())
                out.emplace_back(m.substr(at, blank - at));
        }
    }
    for (const char* other : {"\\", ",", ".", " ", "12", "10/05/1998", "09:30am", "12:00pm", "45 minutes ", "3 s",
                              "-7", "2147483648", "9223372036854775808", "\xDF", "\n", ",20050,", ",20272,", "\""})
        out.emplace_back(other);
    out.emplace_back(1, '\0');
    return out;
}

// One random change of the line.
void Mutate(std::mt19937& rng, std::string& line, const std::vector<std::string>& fragments)
{
    const std::size_t at = line.empty() ? 0 : rng() % (line.size() + 1);
    switch (rng() % 8) {
    case 0:  // another byte
        if (at < line.size())
            line[at] = static_cast<char>(rng() % 256);
        break;
    case 1:  // a piece cut out
        line.erase(at, rng() % 40);
        break;
    case 2:  // a piece of the line itself repeated elsewhere, markers and all
        if (!line.empty()) {
            const std::size_t from = rng() % line.size();
            const std::string piece = line.substr(from, 1 + rng() % 60);
            line.insert(rng() % (line.size() + 1), piece);
        }
        break;
    case 3:  // a marker or its piece put in
    case 4:
        line.insert(at, fragments[rng() % fragments.size()]);
        break;
    case 5:  // a word between blanks made a marker's word or piece (a user "at", a time "seconds.")
    case 6: {
        const std::size_t begin = line.rfind(' ', at), end = line.find(' ', at);
        const std::string& piece = fragments[rng() % fragments.size()];
        if (begin != std::string::npos && end != std::string::npos && begin < end)
            line.replace(begin + 1, end - begin - 1,
                         piece.find(' ') == std::string::npos ? piece : piece.substr(rng() % piece.size(), rng() % 12));
        break;
    }
    default:  // cut off
        line.resize(at);
        break;
    }
}

TEST(ParseConnectionLine, AgreesWithThePlainRulesOnGeneratedLines)
{
    for (auto [lang, generated] : {std::pair{"EN", loggen::Language::English}, {"DE", loggen::Language::German}}) {
        const Collect lines = GeneratedLines(generated);
        ASSERT_FALSE(lines.connections.empty());
        for (const std::string& line : lines.connections) {
            bool parsed = false;
            ASSERT_TRUE(AgreesWithReference(lang, line, &parsed));
            EXPECT_TRUE(parsed) << Shown(line);
        }
        for (const std::string& line : lines.others)
            for (const char* l : {"EN", "DE"})
                ASSERT_TRUE(AgreesWithReference(l, line));
    }
}

TEST(ParseConnectionLine, AgreesWithThePlainRulesOnMutatedLines)
{
    std::mt19937 rng(77);
    const std::vector<std::string> fragments = Fragments();
    for (auto [lang, generated] : {std::pair{"EN", loggen::Language::English}, {"DE", loggen::Language::German}}) {
        const Collect lines = GeneratedLines(generated);
        int parsed = 0, refused = 0;
        for (int round = 0; round < 20000; ++round) {
            std::string line = lines.connections[rng() % lines.connections.size()];
            const int changes = 1 + static_cast<int>(rng() % (round % 5 == 0 ? 12 : 3));
            for (int i = 0; i < changes; ++i)
                Mutate(rng, line, fragments);
            // The sixth field made the current form's ID is read that way.
            if (line.find(",20272,") != std::string::npos)
                continue;
            bool ok = false;
            ASSERT_TRUE(AgreesWithReference(lang, line, &ok));
            (ok ? parsed : refused) += 1;
        }
        // Both outcomes must be well represented, or the comparison shows little.
        EXPECT_GT(parsed, 4000) << lang;
        EXPECT_GT(refused, 4000) << lang;
    }
}

TEST(ParseConnectionLine, AgreesWithThePlainRulesOnRandomLines)
{
    std::mt19937 rng(5);
    const std::vector<std::string> fragments = Fragments();
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const int parts = static_cast<int>(rng() % 40);
        for (int i = 0; i < parts; ++i) {
            if (rng() % 3 == 0)
                line += static_cast<char>(rng() % 256);
            else
                line += fragments[rng() % fragments.size()];
        }
        if (line.find(",20272,") != std::string::npos)
            continue;
        for (const char* lang : {"EN", "DE"})
            ASSERT_TRUE(AgreesWithReference(lang, line));
    }
}

}  // namespace
}  // namespace vy
