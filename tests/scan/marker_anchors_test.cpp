// The one-pass marker search and the whole-line parser built on it, against
// the plain search and the extractors one by one: on generated lines, on
// lines mutated in many ways, and on random lines.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "loggen/log_generator.h"
#include "scan/line_parser.h"
#include "scan/marker_anchors.h"

namespace vy {
namespace {

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

// Whether ParseConnectionLine gives what the extractors give one by one:
// success exactly when each of them succeeds, and then the same values.
testing::AssertionResult AgreesWithExtractors(const char* lang, std::string_view text, bool* parsed = nullptr)
{
    const Exact exact(text);
    const std::string_view line = exact.View();
    const auto dateTime = ExtractDateTime(lang, line);
    const auto domain = ExtractDomain(lang, line);
    const auto user = ExtractUser(lang, line);
    const auto server = ExtractServer(lang, line);
    const auto port = ExtractPort(lang, line);
    const auto speed = ExtractSpeed(lang, line);
    const auto active = ExtractTime(lang, line);
    const auto sent = ExtractBytesSent(lang, line);
    const auto received = ExtractBytesReceived(lang, line);
    const bool all = dateTime && domain && user && server && port && speed && active && sent && received;
    ConnectionLine c;
    c.User = "left from before";
    const bool ok = ParseConnectionLine(lang, line, c);
    if (parsed != nullptr)
        *parsed = ok;
    if (ok != all)
        return testing::AssertionFailure() << lang << " parse " << ok << " extractors " << all << ": " << Shown(text);
    if (ok && !(c.DateTime == *dateTime && c.Domain == *domain && c.User == *user && c.Server == *server &&
                c.Port == *port && c.Speed == *speed && c.ActiveTime == *active && c.BytesSent == *sent &&
                c.BytesReceived == *received))
        return testing::AssertionFailure() << lang << " values differ: " << Shown(text) << " -> " << c.Domain << "|"
                                           << c.User << "|" << c.Server << "|" << c.Port << "|" << c.Speed;
    // The views point into the line itself (the domain may be "Local").
    for (std::string_view v : {c.Server, c.Port, c.Speed})
        if (ok && (v.data() < line.data() || v.data() + v.size() > line.data() + line.size()))
            return testing::AssertionFailure() << "a value outside the line: " << Shown(text);
    return testing::AssertionSuccess();
}

// Collects generated lines of both languages: connection lines and the other
// events written beside them.
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
    for (const LineMarkers* mk : {&EnglishMarkers(), &GermanMarkers()})
        for (std::string_view m : {mk->Recognition, mk->Start, mk->UserStart, mk->AfterUser, mk->BeforePort,
                                   mk->TimeMarker, mk->BeforeSent, mk->AfterSent, mk->BeforeReceived,
                                   mk->AfterReceived, mk->BeforeSpeed}) {
            out.emplace_back(m);
            out.emplace_back(m.substr(0, m.size() / 2));
            out.emplace_back(m.substr(1));
        }
    for (const char* other : {"\\", ",", ".", " ", "12", "10/05/1998", "09:30am", "12:00pm", "45 minutes ",
                              "3 s", "-7", "2147483648", "\xDF", "\n", ",20050,"})
        out.emplace_back(other);
    out.emplace_back(1, '\0');
    return out;
}

// One random change of the line.
void Mutate(std::mt19937& rng, std::string& line, const std::vector<std::string>& fragments)
{
    const std::size_t at = line.empty() ? 0 : rng() % (line.size() + 1);
    switch (rng() % 6) {
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
    default:  // cut off
        line.resize(at);
        break;
    }
}

TEST(ParseConnectionLine, AgreesWithTheExtractorsOnGeneratedLines)
{
    for (auto [lang, generated] : {std::pair{"EN", loggen::Language::English}, {"DE", loggen::Language::German}}) {
        const Collect lines = GeneratedLines(generated);
        ASSERT_FALSE(lines.connections.empty());
        for (const std::string& line : lines.connections) {
            bool parsed = false;
            ASSERT_TRUE(AgreesWithExtractors(lang, line, &parsed));
            EXPECT_TRUE(parsed) << Shown(line);
            // Beyond the longest line the maps take: the plain search.
            const std::string padded = line + std::string(LineAnchors::MaxLine, ' ');
            ASSERT_TRUE(AgreesWithExtractors(lang, padded, &parsed));
            EXPECT_TRUE(parsed);
        }
        for (const std::string& line : lines.others)
            for (const char* l : {"EN", "DE"})
                ASSERT_TRUE(AgreesWithExtractors(l, line));
    }
}

TEST(ParseConnectionLine, AgreesWithTheExtractorsOnMutatedLines)
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
            if (round % 97 == 0)
                line.insert(rng() % 2 ? 0 : line.size(), std::string(LineAnchors::MaxLine - 300 + rng() % 600, 'x'));
            bool ok = false;
            ASSERT_TRUE(AgreesWithExtractors(lang, line, &ok));
            (ok ? parsed : refused) += 1;
        }
        // Both outcomes must be well represented, or the comparison shows little.
        EXPECT_GT(parsed, 4000) << lang;
        EXPECT_GT(refused, 4000) << lang;
    }
}

TEST(ParseConnectionLine, AgreesWithTheExtractorsOnRandomLines)
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
        for (const char* lang : {"EN", "DE"})
            ASSERT_TRUE(AgreesWithExtractors(lang, line));
    }
}

TEST(LineMatcher, KnowingTheMarkerIsThereGivesTheSameAnswer)
{
    // Generated lines of both languages, other events among them, against
    // every kind of ID list: where the line holds the marker, the shortcut
    // agrees with the whole test.
    int accepted = 0, refused = 0;
    for (auto generated : {loggen::Language::English, loggen::Language::German}) {
        loggen::GeneratorOptions o;
        o.Seed = 4;
        o.ConnectionLines = 200;
        o.OtherLines = 400;
        o.Lang = generated;
        Collect lines;
        loggen::GenerateLines(o, lines);
        std::vector<std::string> all = lines.connections;
        all.insert(all.end(), lines.others.begin(), lines.others.end());
        for (const char* lang : {"EN", "DE"})
            for (const char* ids : {"20050;20048", "20048", "", "20050;123;20048", "2005"}) {
                const LineMatcher matcher(lang, ids);
                for (const std::string& line : all) {
                    if (FindMarker(line, MarkersFor(lang).Recognition) == std::string_view::npos)
                        continue;
                    const bool whole = matcher.IsConnectionLine(line);
                    ASSERT_EQ(matcher.IsConnectionLineWithMarker(line), whole) << lang << " " << ids << " " << line;
                    (whole ? accepted : refused) += 1;
                }
            }
    }
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace vy
