#pragma once
// Reading a log file line by line in large blocks. A line ends at a carriage
// return with its line feed, at a lone carriage return or at a lone line
// feed. Character 26 (Ctrl-Z) ends the text of the file. A last line without
// a line end is a line; nothing after the last line end is not.
//
// The text comes out as single bytes. A file that begins with a UTF-16 byte
// order mark (FF FE little-endian, FE FF big-endian) is UTF-16: its line
// ends and Ctrl-Z are 16-bit units, and each character becomes one byte,
// "?" when it is above U+00FF or undecodable; so is a file without a mark
// whose first character has a zero byte beside a plain one. A file that begins with the
// UTF-8 mark (EF BB BF) is handed out as it stands; DecodeLine turns its
// lines into single bytes. No mark is part of the first line.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <QFile>
#include <QString>

namespace vy {

enum class TextEncoding { SingleByte, Utf8, Utf16LE, Utf16BE };

struct LogLineRead {
    std::string_view Text;  // valid until the next call; empty for an overlong line
    std::int64_t Length = 0;  // the line's length in bytes, also for an overlong line
    bool Overlong = false;  // longer than the reader's limit: read past, not kept
};

class LogReader {
public:
    static constexpr std::size_t DefaultBlock = std::size_t{1} << 20;
    static constexpr std::size_t DefaultMaxLine = std::size_t{64} << 20;

    // block: bytes asked of the file at a time; the buffer grows for a longer
    // line up to maxLine bytes, a line beyond that is passed over.
    explicit LogReader(std::size_t block = DefaultBlock, std::size_t maxLine = DefaultMaxLine);

    // False when the path cannot be opened or is not a plain file. Closes any
    // file still open.
    bool Open(const QString& path);
    // The same for a file named as the system names it (bytes on Unix),
    // which a text may not be able to name.
    bool Open(const std::filesystem::path& path);
    // Opens path to read its text from file byte from on, in encoding (single
    // bytes or UTF-8), for a piece of a file whose start another reader
    // read: no byte order mark is looked for.
    bool OpenAt(const std::filesystem::path& path, std::int64_t from, TextEncoding encoding);
    // The text ends at file byte at (a line end), as if the file did; for a
    // file of single bytes whose rest another reader reads. False when the
    // bytes after it are read already.
    bool EndAt(std::int64_t at);
    void Close();

    // The next line; false at the end of the text or after a read error.
    bool Next(LogLineRead& line);

    // A read failed after the file was opened.
    bool Failed() const { return failed_; }
    // Why the file could not be opened, or why a read failed.
    const std::string& Why() const { return why_; }
    // Every line is handed out, and the text ended at a Ctrl-Z before the
    // end of the file.
    bool EndedAtMark() const { return mark_ && atEnd_ && begin_ == end_; }

    // The text read next, whatever its line ends, for a form read as a
    // stream: what the buffer holds after the lines handed out, then block
    // after block. False at the end. Valid until the next call.
    bool NextBlock(std::string_view& text);
    // Known once the first line is asked for.
    TextEncoding Encoding() const { return encoding_; }

    // The bytes of the file taken by the lines handed out so far (their text,
    // line ends and any mark before them).
    std::int64_t Consumed() const { return ConsumedAt(begin_); }

    // The text read but not yet handed out, from the start of the next line:
    // whole lines, then perhaps the beginning of one more. Every line end in
    // it is complete (a carriage return at its very end has no line feed
    // after it). Reads nothing; empty when Next has to read first. Valid
    // until the next call.
    std::string_view Buffered() const;
    // The text at the start of the file, for telling its form: Buffered()
    // once it holds a line end, at least limit bytes, or the whole text.
    // Call it before the first Next.
    std::string_view Head(std::size_t limit = 4096);
    // What Consumed() would be after the first n bytes of Buffered().
    std::int64_t ConsumedAfter(std::size_t n) const { return ConsumedAt(begin_ + n); }
    // Passes over the first n bytes of Buffered(), which must end with a
    // line end, as if their lines had been read with Next; the clear bytes
    // after them are known to hold no line end, so Next looks beyond them.
    void Pass(std::size_t n, std::size_t clear = 0)
    {
        begin_ += n;
        scanned_ = begin_ + clear;
    }

private:
    void Begin();
    // A character of the text that took another number of file bytes than
    // the encoding's unit: a surrogate pair, or an odd last byte.
    struct Odd {
        std::size_t At;    // place in buffer_
        std::int64_t Sum;  // file bytes beyond the unit of this and every earlier one
    };
    void AddOdd(std::size_t at, int extra);

    std::int64_t ConsumedAt(std::size_t at) const;
    bool Wide() const { return encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE; }
    void DetectEncoding();
    // Reads more of the file after the kept text; false when nothing came.
    bool Fill();
    std::size_t Decode16(const unsigned char* raw, std::size_t n, char* out);
    void Compact();
    void Drop();

    QFile file_;
    std::vector<char> buffer_;   // the text, single bytes
    std::vector<unsigned char> raw_;  // file bytes of a UTF-16 file before they become text
    std::vector<Odd> odd_;  // in the order of At
    std::size_t block_;
    std::size_t maxLine_;
    std::size_t begin_ = 0;  // first byte not yet handed out
    std::size_t end_ = 0;    // end of the text read
    std::size_t scanned_ = 0;  // no line end in [begin_, scanned_)
    std::int64_t base_ = 0;  // file bytes before buffer_[0]
    std::int64_t left_ = -1;  // file bytes still to be read up to EndAt's end; -1: to the file's end
    TextEncoding encoding_ = TextEncoding::SingleByte;
    int pendingUnit_ = -1;   // a UTF-16 high surrogate waiting for its partner
    int pendingByte_ = -1;   // the first byte of a UTF-16 unit split by a read
    bool detected_ = false;
    bool atEnd_ = true;       // end of file, Ctrl-Z or error: no more reads
    bool failed_ = false;
    bool mark_ = false;  // the text ended at a Ctrl-Z
    std::string why_;
};

// Where the line after the one that starts at from begins, in text that
// ends with a whole line: after the line end (or at the end of text).
std::size_t NextLineStart(std::string_view text, std::size_t from);

// How many lines end in text: carriage returns with their line feeds, lone
// carriage returns and lone line feeds (a carriage return at its very end
// counts alone).
std::int64_t CountLineEnds(std::string_view text);

// Where the line that holds the byte at `at` begins: after the last line
// end before it, or at 0. Ascii: every byte from there to at is below 0x80
// (false may also mean that bytes before the line were not).
struct LineHead {
    std::size_t Start = 0;
    bool Ascii = false;
};
LineHead LineHeadOf(std::string_view text, std::size_t at);

// A line of a single-byte or UTF-8 file as single bytes: decoded from UTF-8
// when the file is marked as UTF-8 (undecodable bytes become "?"), or when
// the line is valid UTF-8 with at least one multi-byte sequence; otherwise
// the line as it stands. A character above U+00FF becomes "?". The result is
// line itself or out, which is reused. The first ascii bytes of line are
// known to be below 0x80 and are not looked at again.
std::string_view DecodeLine(std::string_view line, TextEncoding encoding, std::string& out, std::size_t ascii = 0);

}  // namespace vy
