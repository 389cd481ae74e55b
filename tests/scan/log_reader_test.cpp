#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "scan/log_reader.h"

namespace vy {
namespace {

struct ReadLine {
    std::string Text;
    std::int64_t Length;
    bool Overlong;
    bool operator==(const ReadLine&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ReadLine& l)
{
    os << '{';
    for (char c : l.Text) {
        if (c == '\r') os << "\\r";
        else if (c == '\n') os << "\\n";
        else os << c;
    }
    return os << ", " << l.Length << (l.Overlong ? ", overlong}" : "}");
}

class LogReaderTest : public ::testing::Test {
protected:
    QString Write(const std::string& bytes, const QString& name = "log.txt")
    {
        const QString path = dir_.filePath(name);
        std::ofstream(QFile::encodeName(path).constData(), std::ios::binary) << bytes;
        return path;
    }

    std::vector<ReadLine> ReadAll(const std::string& bytes, std::size_t block, std::size_t maxLine = 1 << 20)
    {
        LogReader reader(block, maxLine);
        EXPECT_TRUE(reader.Open(Write(bytes)));
        std::vector<ReadLine> lines;
        LogLineRead line;
        while (reader.Next(line)) {
            lines.push_back({std::string(line.Text), line.Length, line.Overlong});
            if (lines.size() > 1000)
                break;  // a reader that never ends
        }
        EXPECT_FALSE(reader.Failed());
        EXPECT_FALSE(reader.Next(line)) << "the end stays the end";
        return lines;
    }

    QTemporaryDir dir_;
};

std::vector<ReadLine> Lines(std::initializer_list<std::string> texts)
{
    std::vector<ReadLine> out;
    for (const auto& t : texts)
        out.push_back({t, static_cast<std::int64_t>(t.size()), false});
    return out;
}

// Every case read with blocks so small that line ends fall on block edges
// in every possible place, and with the default block.
TEST_F(LogReaderTest, LineEndsAtCarriageReturnWithItsLineFeedWhateverTheBlockEdges)
{
    const struct {
        std::string Bytes;
        std::vector<ReadLine> Expected;
    } cases[] = {
        {"", {}},
        {"a\r\nbc\r\n", Lines({"a", "bc"})},
        {"a\r\nbc", Lines({"a", "bc"})},                  // a last line without line end is a line
        {"a\rbc\r", Lines({"a", "bc"})},                  // a carriage return alone ends a line
        {"a\nb\r\n", Lines({"a", "b"})},                   // a lone line feed ends a line
        {"a\n\nb", Lines({"a", "", "b"})},
        {"a\n\rb\r\n\n", Lines({"a", "", "b", ""})},
        {"a\r\r\nb", Lines({"a", "", "b"})},
        {"\r\n", Lines({""})},
        {"\r\n\r\n", Lines({"", ""})},
        {"a\r\n\n", Lines({"a", ""})},                     // only one feed belongs to the end
        {"a\r\n\r", Lines({"a", ""})},
        {"a\r", Lines({"a"})},
        {"\n", Lines({""})},
        {"a\x1A" "b\r\n", Lines({"a"})},                  // Ctrl-Z ends the text
        {"\x1A", {}},
        {"a\r\n\x1A\r\nb\r\n", Lines({"a"})},
        {"a\r\x1A\n", Lines({"a"})},
        {"ab\x1A", Lines({"ab"})},
        {std::string("a\0b\r\n", 5), {{std::string("a\0b", 3), 3, false}}},  // NUL bytes are ordinary
    };
    for (const auto& c : cases) {
        for (std::size_t block : {1, 2, 3, 5, 1 << 20}) {
            EXPECT_EQ(ReadAll(c.Bytes, block), c.Expected)
                << "block " << block << " bytes " << ::testing::PrintToString(c.Bytes);
        }
    }
}

TEST_F(LogReaderTest, ALineLongerThanTheBlockIsKeptWhole)
{
    const std::string longLine(5000, 'x');
    const auto lines = ReadAll("ab\r\n" + longLine + "\r\ncd", 16, 8192);
    EXPECT_EQ(lines, Lines({"ab", longLine, "cd"}));
    // Long lines with one kind of line end each, the other kind far behind
    // or absent, of lengths around powers of two.
    for (const std::string end : {"\n", "\r"}) {
        for (std::size_t length : {1023, 1024, 1025, 3071, 3072, 5000}) {
            const std::string line(length, 'x');
            const std::string text = "ab" + end + line + end + "cd" + end;
            for (std::size_t block : {16, 1 << 20})
                EXPECT_EQ(ReadAll(text, block, 8192), Lines({"ab", line, "cd"})) << block << " " << length;
        }
    }
}

TEST_F(LogReaderTest, ALineBeyondTheLimitIsCountedButNotKept)
{
    const std::string huge(100, 'y');
    const std::vector<ReadLine> expected = {
        {"ab", 2, false}, {"", 100, true}, {"cd", 2, false}, {"", 100, true}};
    // The limit is 32 bytes: with blocks of 8 the buffer grows to 32, then
    // passes the rest of the line over. The last overlong line has no end.
    for (std::size_t block : {1, 3, 8}) {
        EXPECT_EQ(ReadAll("ab\r\n" + huge + "\r\ncd\r\n" + huge, block, 32), expected) << "block " << block;
    }
    // Exactly at the limit the line is still kept.
    const std::string fits(32, 'z');
    EXPECT_EQ(ReadAll(fits + "\r\n", 8, 32), Lines({fits}));
}

TEST_F(LogReaderTest, OpenRefusesWhatIsNoReadablePlainFile)
{
    LogReader reader(64);
    EXPECT_FALSE(reader.Open(dir_.filePath("missing.txt")));
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.txt"));
    EXPECT_FALSE(reader.Open(dir_.filePath("folder.txt")));
    // A pipe would block a plain open until a writer came: refused at once.
    const QString fifo = dir_.filePath("pipe.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(reader.Open(fifo));
    LogLineRead line;
    EXPECT_FALSE(reader.Next(line)) << "a reader without a file has no lines";
}

TEST_F(LogReaderTest, OpeningAnotherFileStartsAfresh)
{
    LogReader reader(4);
    ASSERT_TRUE(reader.Open(Write("first\r", "a.txt")));
    LogLineRead line;
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.Text, "first");
    // The first file's carriage return must not take the second's "\n".
    ASSERT_TRUE(reader.Open(Write("\nsecond\r\n", "b.txt")));
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.Text, "");
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.Text, "second");
    EXPECT_FALSE(reader.Next(line));
}

TEST_F(LogReaderTest, AFileAfterOneWithALongLineReadsAsUsual)
{
    LogReader reader(8, 1024);
    ASSERT_TRUE(reader.Open(Write(std::string(600, 'q') + "\r\n", "a.txt")));
    LogLineRead line;
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.Length, 600);
    ASSERT_TRUE(reader.Open(Write("x\r\ny", "b.txt")));
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.Text, "x");
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.Text, "y");
}

}  // namespace
}  // namespace vy

namespace vy {
namespace {

std::string Utf16(std::u16string_view text, bool le)
{
    std::string out = le ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t u : text) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += le ? lo : hi;
        out += le ? hi : lo;
    }
    return out;
}

TEST_F(LogReaderTest, Utf16TextBecomesSingleBytesAndTheBytesTakenAreCounted)
{
    // U+010D (its low byte a carriage return) and a pair both become "?",
    // as do lone surrogates; Ctrl-Z ends the text.
    const std::u16string text = u"a\u00FCb\u010D\r\nx\U0001F600y\n\xD800z\xDC00\r\x001A" u"after\r\n";
    for (bool le : {true, false}) {
        for (std::size_t block : {1, 2, 3, 7, 1 << 20}) {
            const std::string bytes = Utf16(text, le);
            LogReader reader(block, 1 << 20);
            ASSERT_TRUE(reader.Open(Write(bytes)));
            std::vector<std::string> lines;
            std::vector<std::int64_t> taken;
            LogLineRead line;
            while (reader.Next(line)) {
                lines.emplace_back(line.Text);
                taken.push_back(reader.Consumed());
            }
            EXPECT_EQ(lines, (std::vector<std::string>{"a\xFC" "b?", "x?y", "?z?"})) << le << " " << block;
            EXPECT_EQ(taken, (std::vector<std::int64_t>{2 + 12, 2 + 12 + 10, 2 + 22 + 8})) << le << " " << block;
            EXPECT_EQ(reader.Encoding(), le ? TextEncoding::Utf16LE : TextEncoding::Utf16BE);
        }
    }
}

TEST_F(LogReaderTest, MarksAloneOddLengthsAndChangedEncodingsLoseNothingReadable)
{
    EXPECT_TRUE(ReadAll("\xFF\xFE", 4).empty());
    EXPECT_TRUE(ReadAll("\xEF\xBB\xBF", 4).empty());
    EXPECT_EQ(ReadAll("\xEF\xBB\xBF" "a\r\nb", 2), Lines({"a", "b"})) << "the mark is no part of the first line";
    // An odd last byte is an undecodable character.
    EXPECT_EQ(ReadAll(Utf16(u"ab\r\ncd", true) + "x", 3), Lines({"ab", "cd?"}));
    // Single bytes after UTF-16 text: read as UTF-16 units, whole lines
    // still found where the units hold line ends.
    const auto lines = ReadAll(Utf16(u"one\r\n", true) + "two\r\n\r\nthree\r\n", 5);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].Text, "one");
    for (const auto& l : lines)
        EXPECT_EQ(l.Text.find('\0'), std::string::npos);
}

TEST_F(LogReaderTest, CountLineEndsCountsTheLinesTheReaderHandsOut)
{
    // Short texts, and long ones beyond 255 steps of sixteen bytes, against the reader.
    std::mt19937 rng(5);
    LogReader reader;
    LogLineRead line;
    for (int round = 0; round < 400; ++round) {
        const bool longText = round % 10 == 0;
        const std::size_t n = longText ? 4000 + rng() % 200 : rng() % 90;
        const std::string_view alphabet = "\n\r\nab\r\ncdefghijklmn";
        std::string text;
        for (std::size_t i = 0; i < n; ++i)
            text += alphabet[rng() % (!longText ? 7 : round % 20 == 0 ? 1 : alphabet.size())];
        ASSERT_TRUE(reader.Open(Write(text + "x")));
        std::int64_t lines = 0;
        while (reader.Next(line))
            ++lines;
        ASSERT_EQ(CountLineEnds(text) + 1, lines) << ::testing::PrintToString(text);
    }
}

TEST(LineHeadOf, FindsTheLineStartAndTellsAPlainAsciiHead)
{
    // Line ends, tabs and high bytes at every distance from one another,
    // against the plain rule.
    std::string text;
    int asciiHeads = 0;
    for (int i = 0; i < 600; ++i)
        text += "ab\tc\xC3\r\n\x8E\r"[(i * i / 7 + i) % 11 < 8 ? 0 : i % 8] + std::string(i % 53, 'x');
    for (std::size_t at = 0; at <= text.size(); ++at) {
        const std::size_t start = text.find_last_of("\r\n", at == 0 ? 0 : at - 1);
        const std::size_t want = at == 0 || start == std::string::npos ? 0 : start + 1;
        const LineHead head = LineHeadOf(text, at);
        ASSERT_EQ(head.Start, want) << at;
        if (head.Ascii) {
            ASSERT_EQ(std::count_if(text.begin() + want, text.begin() + at, [](char c) { return c & 0x80; }), 0) << at;
        }
        asciiHeads += head.Ascii && at - want > 40 ? 1 : 0;
    }
    EXPECT_GT(asciiHeads, 100);  // long plain heads are told as such
}

TEST(DecodeLine, DecodesUtf8LinesAndLeavesOthersAsTheyStand)
{
    std::string out;
    const struct {
        std::string In;
        TextEncoding Encoding;
        std::string Want;
    } cases[] = {
        {"plain", TextEncoding::SingleByte, "plain"},
        {"j\xC3\xBCrgen", TextEncoding::SingleByte, "j\xFCrgen"},        // valid, with a multi-byte sequence
        {"j\xFCrgen \xC3\xBC", TextEncoding::SingleByte, "j\xFCrgen \xC3\xBC"},  // not UTF-8: as it stands
        {"\xC4\x8D\xF0\x9F\x98\x80!", TextEncoding::SingleByte, "??" "!"},    // beyond U+00FF
        {"\xED\xA0\x80", TextEncoding::SingleByte, "\xED\xA0\x80"},        // a surrogate is no UTF-8
        {"a\xFC" "b\xC3\xBC", TextEncoding::Utf8, "a?b\xFC"},             // marked: undecodable bytes are "?"
        {"\xE2\x82", TextEncoding::Utf8, "??"},                            // cut short
        {"\xC3\xBC", TextEncoding::Utf16LE, "\xC3\xBC"},                   // single bytes already
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeLine(c.In, c.Encoding, out), c.Want) << ::testing::PrintToString(c.In);
    // A long line decodes wherever its one multi-byte sequence stands.
    for (std::size_t at = 0; at < 80; ++at) {
        const std::string ascii(at, 'a'), tail(80 - at, 'z');
        EXPECT_EQ(DecodeLine(ascii + "\xC3\xBC" + tail, TextEncoding::SingleByte, out), ascii + "\xFC" + tail) << at;
    }
}

}  // namespace
}  // namespace vy
