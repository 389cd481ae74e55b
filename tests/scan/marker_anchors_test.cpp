// The one-pass marker search against the plain search.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "scan/marker_anchors.h"

namespace vy {
namespace {

// A copy in a buffer of exactly its size, so that the address sanitizer
// sees any read beyond the line.
class Exact {
public:
    explicit Exact(std::string_view text) : bytes_(new char[text.empty() ? 1 : text.size()]), size_(text.size())
    {
        std::copy(text.begin(), text.end(), bytes_.get());
    }
    std::string_view View() const { return {bytes_.get(), size_}; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
};

TEST(AnchorSet, KeepsDistinctBytesAndPlansUpToTwoAnchorsOfTheMarker)
{
    const AnchorSet set("TyTp.atXYZ");  // one T dropped; at most eight bytes
    EXPECT_EQ(set.Bytes(), "Typ.atXY");
    const AnchoredMarker m = set.Plan("The port speed was ");
    ASSERT_EQ(m.Anchors, 2);
    EXPECT_EQ(set.Bytes()[m.Index[0]], 'T');
    EXPECT_EQ(m.Offset[0], 0);
    EXPECT_EQ(set.Bytes()[m.Index[1]], 'p');
    EXPECT_EQ(m.Offset[1], 4);
    const AnchoredMarker blank = set.Plan(" seconds.  ");
    ASSERT_EQ(blank.Anchors, 1);
    EXPECT_EQ(blank.Offset[0], 8);
    EXPECT_EQ(set.Plan("none here").Anchors, 0);
    EXPECT_EQ(set.Plan("").Anchors, 0);
    // A byte beyond the 64th place of the marker cannot be an anchor.
    EXPECT_EQ(set.Plan(std::string(64, '-') + "T").Anchors, 0);
}

TEST(LineAnchors, FindsWhatThePlainSearchFinds)
{
    // Few distinct bytes give many candidates that fail late; lengths cross
    // the 64-byte words of the maps and reach the longest line kept.
    std::mt19937 rng(2024);
    const std::string alphabet = "Tay. t";
    const AnchorSet set("Typ.at");
    LineAnchors anchors;
    int found = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::size_t length = round % 50 == 0 ? rng() % (LineAnchors::MaxLine + 1) : rng() % 300;
        std::string line(length, ' ');
        for (char& c : line)
            c = alphabet[rng() % (round % 3 == 0 ? 3 : alphabet.size())];
        std::string marker(1 + rng() % 12, ' ');
        for (char& c : marker)
            c = alphabet[rng() % alphabet.size()];
        if (round % 4 == 0 && marker.size() <= line.size())
            line.replace(line.size() - marker.size(), marker.size(), marker);  // a hit at the very end
        const Exact exact(line);
        ASSERT_TRUE(anchors.Load(set, exact.View()));
        const AnchoredMarker planned = set.Plan(marker);
        for (std::size_t from : {std::size_t{0}, std::size_t{1}, length / 2, std::size_t(rng() % (length + 2))}) {
            const std::size_t want = FindMarker(exact.View(), marker, from);
            ASSERT_EQ(anchors.Find(planned, from), want)
                << "[" << line << "] [" << marker << "] from " << from;
            found += want != std::string_view::npos;
        }
    }
    EXPECT_GT(found, 2000) << "the cases must include hits";
}

TEST(LineAnchors, RefusesLinesBeyondItsLimitAndHandlesTheSmallest)
{
    const AnchorSet set("Typ.at");
    LineAnchors anchors;
    const std::string longest(LineAnchors::MaxLine, 'T');
    EXPECT_TRUE(anchors.Load(set, longest));
    EXPECT_EQ(anchors.Find(set.Plan("TT"), LineAnchors::MaxLine - 2), LineAnchors::MaxLine - 2);
    EXPECT_EQ(anchors.Find(set.Plan("TT"), LineAnchors::MaxLine - 1), std::string_view::npos);
    EXPECT_FALSE(anchors.Load(set, longest + "T"));
    ASSERT_TRUE(anchors.Load(set, std::string_view()));
    EXPECT_EQ(anchors.Find(set.Plan("T")), std::string_view::npos);
    ASSERT_TRUE(anchors.Load(set, "T"));
    EXPECT_EQ(anchors.Find(set.Plan("T")), 0u);
    EXPECT_EQ(anchors.Find(set.Plan("T"), 1), std::string_view::npos);
    EXPECT_EQ(anchors.Find(set.Plan("T"), 2), std::string_view::npos);
    // A marker without anchors is looked for the plain way.
    ASSERT_TRUE(anchors.Load(set, std::string_view("xx\0yy", 5)));
    EXPECT_EQ(anchors.Find(set.Plan(std::string_view("\0y", 2))), 2u);
}

TEST(ScanToMarker, FindsTheMarkerAndTheCarriageReturnsBeforeIt)
{
    // Texts of line ends and marker pieces, across several 64-byte blocks;
    // the reference: the plain search, then each byte before the hit.
    std::mt19937 rng(41);
    const std::string pieces[] = {"\r", "\n", "\r\n", "ab", "The user", "The user was active for", " ", "r"};
    const PreparedMarker marker("The user was active for");
    int hits = 0, lone = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int parts = static_cast<int>(rng() % (round % 7 == 0 ? 400 : 60));
        for (int i = 0; i < parts; ++i)
            text += pieces[rng() % (round % 3 == 0 ? 7 : 8)];
        const Exact exact(text);
        const MarkerStretch got = ScanToMarker(exact.View(), marker);
        const std::size_t hit = FindMarker(text, marker.Text());
        std::size_t last = std::string_view::npos, lonely = 0;
        for (std::size_t i = 0; i < (hit == std::string_view::npos ? text.size() : hit); ++i) {
            if (text[i] == '\r') {
                last = i;
                lonely += i + 1 == text.size() || text[i + 1] != '\n';
            }
        }
        ASSERT_EQ(got.Hit, hit) << ::testing::PrintToString(text);
        ASSERT_EQ(got.LastReturn, last) << ::testing::PrintToString(text);
        ASSERT_EQ(got.LoneReturns, lonely) << ::testing::PrintToString(text);
        hits += hit != std::string_view::npos;
        lone += lonely > 0;
    }
    EXPECT_GT(hits, 500);
    EXPECT_GT(lone, 500);
}

}  // namespace
}  // namespace vy
