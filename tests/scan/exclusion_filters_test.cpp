#include <gtest/gtest.h>

#include <string>

#include "scan/exclusion_filters.h"

namespace vy {
namespace {

std::string EnglishLine(const std::string& who, const std::string& port)
{
    return "10/05/1998,10:15:42 AM,RemoteAccess,Information,None,20050,N/A,SRV1,The user " + who +
           " connected on port " + port +
           " on 10/05/1998 at 09:30am and disconnected on 10/05/1998 at 10:15am.  The user was active for 45 "
           "minutes 12 seconds.  12345 bytes were sent and 67890 bytes were received. The port speed was 28800.";
}

std::string GermanLine(const std::string& who, const std::string& port)
{
    return "10/05/1998,10:15:42,RemoteAccess,Information,None,20050,N/A,SRV1,Der Benutzer " + who +
           " hat sich an Anschlu\xDF " + port +
           " am 10/05/1998 um 09:30am.  Verbindungszeit: 45 Minuten 12 s.  1 Bytes wurden gesendet und 2 Bytes "
           "empfangen. Geschwindigkeit: 28800. ";
}

TEST(IsListed, MatchesWholeItemsBetweenAnySeparators)
{
    EXPECT_TRUE(IsListed("bob", "bob;alice"));
    EXPECT_TRUE(IsListed("alice", "bob;alice"));
    for (const char* part : {"ob", "lice", "al", "bobby", "bob;", "bob;alice", "b"})
        EXPECT_FALSE(IsListed(part, "bob;alice")) << part;
    for (const char* list : {"bob, alice", "bob,alice", "bob alice", " ;, bob ,;; alice ;", "alice bob", "bob"})
        EXPECT_TRUE(IsListed("bob", list)) << list;
    EXPECT_TRUE(IsListed("alice", "bob, alice"));
    EXPECT_FALSE(IsListed(" alice", "bob, alice"));
    EXPECT_TRUE(IsListed("carol", "bob;carol;alice"));
    // Only blank, comma and semicolon separate.
    EXPECT_FALSE(IsListed("bob", "bob\talice"));
    EXPECT_TRUE(IsListed("bob|alice", "bob|alice"));
}

TEST(IsListed, IgnoresTheCaseOfEnglishLettersOnly)
{
    EXPECT_TRUE(IsListed("administrator", "Administrator"));
    EXPECT_TRUE(IsListed("ADMINISTRATOR", "administrator"));
    EXPECT_TRUE(IsListed("Local", "LOCAL"));
    EXPECT_TRUE(IsListed("COM1", "com1"));
    EXPECT_TRUE(IsListed("j\xC4rg", "J\xC4RG"));
    // Latin-1 capitals are not lowered.
    EXPECT_FALSE(IsListed("j\xE4rg", "J\xC4RG"));
}

TEST(IsListed, EmptyListsAndNamesListNothing)
{
    EXPECT_FALSE(IsListed("bob", ""));
    EXPECT_FALSE(IsListed("bob", " ,; "));
    EXPECT_FALSE(IsListed("", ""));
    EXPECT_FALSE(IsListed("", "bob;;alice"));
    EXPECT_FALSE(IsListed("", " , ;"));
}

TEST(Filters, DropListedUsersDomainsAndPorts)
{
    const std::string line = EnglishLine("DOM\\Bob", "COM1");
    EXPECT_TRUE(IsUserAllowed("EN", line, ""));
    EXPECT_TRUE(IsDomainAllowed("EN", line, ""));
    EXPECT_TRUE(IsPortAllowed("EN", line, ""));
    EXPECT_FALSE(IsUserAllowed("EN", line, "alice, BOB"));
    EXPECT_TRUE(IsUserAllowed("EN", line, "bobby;ob"));
    EXPECT_FALSE(IsDomainAllowed("EN", line, "dom"));
    EXPECT_TRUE(IsDomainAllowed("EN", line, "DOMAIN"));
    EXPECT_FALSE(IsPortAllowed("EN", line, "com1"));
    EXPECT_TRUE(IsPortAllowed("EN", line, "COM"));
    // A line naming no domain belongs to "Local".
    const std::string local = EnglishLine("Administrator", "VPN2");
    EXPECT_FALSE(IsDomainAllowed("EN", local, "local"));
    EXPECT_FALSE(IsUserAllowed("EN", local, "Administrator"));
    EXPECT_TRUE(IsDomainAllowed("EN", line, "Local"));
}

TEST(Filters, ReadTheNameInTheGivenLanguage)
{
    const std::string line = GermanLine("Firma\\Anna", "COM2");
    EXPECT_FALSE(IsUserAllowed("DE", line, "anna"));
    EXPECT_FALSE(IsDomainAllowed("DE", line, "FIRMA"));
    EXPECT_FALSE(IsPortAllowed("DE", line, "com2"));
    // With the English markers the German line names nothing, and nothing
    // is never listed.
    EXPECT_TRUE(IsDomainAllowed("EN", line, "firma local"));
    EXPECT_TRUE(IsPortAllowed("EN", line, "com2"));
}

TEST(Filters, AnEmptyNameIsNeverDropped)
{
    // The user comes out empty when the first "\" stands after the port marker.
    const std::string line = EnglishLine("bob", "A\\B");
    EXPECT_TRUE(IsUserAllowed("EN", line, "bob;a;;"));
    EXPECT_TRUE(IsPortAllowed("EN", "no port here", "com1"));
}

TEST(ExclusionList, GivesTheSameAnswersAsIsListed)
{
    const char* lists[] = {"", " ", "bob;alice", "bob, alice", "Administrator", ";;Local,,", "COM1 com2;VPN3",
                           "bob bob BOB", "j\xC4rg", "a,b;c d"};
    const char* names[] = {"", "bob", "BOB", "alice", "al", "administrator", "local", "LOCAL", "com1",
                           "COM2", "vpn3", "j\xC4RG", "j\xE4rg", "a", "b", "c", "d", "a,b", " bob"};
    for (const char* list : lists) {
        const ExclusionList prepared(list);
        for (const char* name : names)
            EXPECT_EQ(prepared.Contains(name), IsListed(name, list)) << "[" << list << "] [" << name << "]";
    }
    EXPECT_TRUE(ExclusionList("").Empty());
    EXPECT_TRUE(ExclusionList(" ;, ").Empty());
    EXPECT_FALSE(ExclusionList("x").Empty());
    EXPECT_TRUE(ExclusionList("Bob").Contains("bOB"));
}

}  // namespace
}  // namespace vy
