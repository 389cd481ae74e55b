#include <gtest/gtest.h>

#include <string>

#include "scan/name_cache.h"

namespace vy {
namespace {

void Key(NameCache& c, std::initializer_list<std::string_view> parts)
{
    c.BeginKey();
    for (auto p : parts)
        c.AddPart(p);
}

TEST(NameCache, FindsWhatWasAddedUnderExactlyItsParts)
{
    NameCache c;
    Key(c, {"DOM", "bob"});
    EXPECT_EQ(c.Find(c.KeyHash()), -1);
    c.Add(7);
    EXPECT_EQ(c.Find(c.KeyHash()), 7);
    // The same bytes cut differently are another chain.
    Key(c, {"DO", "Mbob"});
    EXPECT_EQ(c.Find(c.KeyHash()), -1);
    Key(c, {"DOMbob"});
    EXPECT_EQ(c.Find(c.KeyHash()), -1);
    Key(c, {"dom", "bob"});
    EXPECT_EQ(c.Find(c.KeyHash()), -1) << "names compare with their case";
    Key(c, {std::string_view("DOM\0", 4), "bob"});
    EXPECT_EQ(c.Find(c.KeyHash()), -1);
    Key(c, {"", ""});
    c.Add(0);
    EXPECT_EQ(c.Find(c.KeyHash()), 0);
    Key(c, {"DOM", "bob"});
    EXPECT_EQ(c.Find(c.KeyHash()), 7);
    c.Add(9);  // a key already held keeps its entry
    EXPECT_EQ(c.Find(c.KeyHash()), 7);
}

TEST(NameCache, KeepsNoMoreThanItsLimit)
{
    NameCache c(100);
    // Every third name too long to be kept in the table's slots.
    auto name = [](int i) { return std::string(i % 3 == 0 ? 60 : 0, 'x') + std::to_string(i); };
    for (int i = 0; i < 1000; ++i) {
        Key(c, {"D", name(i)});
        c.Add(i);
    }
    int found = 0;
    for (int i = 0; i < 1000; ++i) {
        Key(c, {"D", name(i)});
        const int e = c.Find(c.KeyHash());
        if (e >= 0) {
            EXPECT_EQ(e, i);
            ++found;
        }
    }
    EXPECT_EQ(found, 100);
}

TEST(NameCache, LongKeysAreNotKept)
{
    NameCache c;
    const std::string longName(NameCache::kMaxKey, 'n');
    Key(c, {"D", longName});
    c.Add(1);
    EXPECT_EQ(c.Find(c.KeyHash()), -1);
    Key(c, {"D", longName.substr(0, 100)});
    c.Add(2);
    EXPECT_EQ(c.Find(c.KeyHash()), 2);
}

}  // namespace
}  // namespace vy
