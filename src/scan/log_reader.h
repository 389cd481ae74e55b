#pragma once
// Reading a log file line by line in large blocks. A line ends at a carriage
// return, and a line feed directly after it belongs to that end; a lone line
// feed is part of the line. Byte 26 (Ctrl-Z) ends the text of the file. A
// last line without a carriage return is a line; nothing after the last line
// end is not.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include <QString>

namespace vy {

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
    ~LogReader();
    LogReader(const LogReader&) = delete;
    LogReader& operator=(const LogReader&) = delete;

    // False when the path cannot be opened or is not a plain file. Closes any
    // file still open.
    bool Open(const QString& path);
    void Close();

    // The next line; false at the end of the text or after a read error.
    bool Next(LogLineRead& line);

    // A read failed after the file was opened.
    bool Failed() const { return failed_; }

    // The bytes read but not yet handed out, from the start of the next
    // line: whole lines, then perhaps the beginning of one more. Reads
    // nothing; empty when Next has to read first. Valid until the next call.
    std::string_view Buffered();
    // Passes over the first n bytes of Buffered(), which must end with a
    // line end (a carriage return, or one with its line feed), as if their
    // lines had been read with Next.
    void Pass(std::size_t n);

private:
    void SkipPendingFeed();
    // Reads more of the file after the kept bytes; false when nothing came.
    bool Fill();
    void Compact();

    std::vector<char> buffer_;
    std::size_t block_;
    std::size_t maxLine_;
    std::size_t begin_ = 0;  // first byte not yet handed out
    std::size_t end_ = 0;    // end of the bytes read
    std::size_t scanned_ = 0;  // no carriage return in [begin_, scanned_)
    int fd_ = -1;
    bool atEnd_ = false;      // end of file, Ctrl-Z or error: no more reads
    bool skipFeed_ = false;   // the last line ended in a carriage return at end_
    bool failed_ = false;
};

// What whole lines add to the bytes-read counter: each line its length + 2.
// text is whole lines, each ending in a carriage return or one with its line
// feed; the sum is the size of text plus one for each carriage return
// without a line feed after it in text. (The scan gets the same sum from
// ScanToMarker on its way to the next connection line.)
std::int64_t CountedBytes(std::string_view text);

}  // namespace vy
