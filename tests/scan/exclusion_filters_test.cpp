#include <gtest/gtest.h>

#include <string>

#include "scan/exclusion_filters.h"
#include "scan/line_parser_reference.h"

namespace vy {
namespace {

bool Listed(const char* name, const char* list) { return ExclusionList(list).Contains(name); }

TEST(ExclusionList, MatchesWholeItemsBetweenAnySeparators)
{
    EXPECT_TRUE(Listed("bob", "bob;alice"));
    EXPECT_TRUE(Listed("alice", "bob;alice"));
    for (const char* part : {"ob", "lice", "al", "bobby", "bob;", "bob;alice", "b"})
        EXPECT_FALSE(Listed(part, "bob;alice")) << part;
    for (const char* list : {"bob, alice", "bob,alice", "bob alice", " ;, bob ,;; alice ;", "alice bob", "bob"})
        EXPECT_TRUE(Listed("bob", list)) << list;
    EXPECT_TRUE(Listed("alice", "bob, alice"));
    EXPECT_FALSE(Listed(" alice", "bob, alice"));
    EXPECT_TRUE(Listed("carol", "bob;carol;alice"));
    // Only blank, comma and semicolon separate.
    EXPECT_FALSE(Listed("bob", "bob\talice"));
    EXPECT_TRUE(Listed("bob|alice", "bob|alice"));
}

TEST(ExclusionList, IgnoresTheCaseOfEnglishLettersOnly)
{
    EXPECT_TRUE(Listed("administrator", "Administrator"));
    EXPECT_TRUE(Listed("ADMINISTRATOR", "administrator"));
    EXPECT_TRUE(Listed("Local", "LOCAL"));
    EXPECT_TRUE(Listed("COM1", "com1"));
    EXPECT_TRUE(Listed("j\xC4rg", "J\xC4RG"));
    // Latin-1 capitals are not lowered.
    EXPECT_FALSE(Listed("j\xE4rg", "J\xC4RG"));
}

TEST(ExclusionList, EmptyListsAndNamesListNothing)
{
    EXPECT_FALSE(Listed("bob", ""));
    EXPECT_FALSE(Listed("bob", " ,; "));
    EXPECT_FALSE(Listed("", ""));
    EXPECT_FALSE(Listed("", "bob;;alice"));
    EXPECT_TRUE(ExclusionList("").Empty());
    EXPECT_TRUE(ExclusionList(" ;, ").Empty());
    EXPECT_FALSE(ExclusionList("x").Empty());
}

TEST(ExclusionList, AgreesWithThePlainRuleOnRandomListsAndNames)
{
    std::mt19937 rng(8);
    auto text = [&rng](std::size_t n) { return reference::RandomText(rng, "aAbB ,;\xC4\xE4", n); };
    int listed = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string list = text(rng() % 16);
        const ExclusionList prepared(list);
        for (int i = 0; i < 10; ++i) {
            const std::string name = text(rng() % 4);
            ASSERT_EQ(prepared.Contains(name), reference::IsListed(name, list)) << "[" << list << "] [" << name << "]";
            listed += prepared.Contains(name);
        }
    }
    EXPECT_GT(listed, 1000);
}

}  // namespace
}  // namespace vy
