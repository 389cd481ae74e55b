#include "scan/log_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <system_error>
#include <type_traits>

#include <QFileInfo>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vy {

namespace {
constexpr char kCtrlZ = 26;

// Where the first line end at or after from stands in [from, end), or end.
// Looked for a stretch at a time: a file with one kind of line end only
// would otherwise be searched to the buffer's end for the other kind at
// every line.
std::size_t LineEndIn(const char* text, std::size_t from, std::size_t end)
{
    constexpr std::size_t kStretch = 1024;
    for (std::size_t stretch = kStretch; from < end; from += stretch, stretch *= 2) {
        const char* p = text + from;
        const std::size_t n = std::min(end - from, stretch);
        const void* cr = std::memchr(p, '\r', n);
        const std::size_t crAt = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - p) : n;
        const void* lf = std::memchr(p, '\n', crAt);
        const std::size_t at = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) : crAt;
        if (at < n)
            return from + at;
    }
    return end;
}
}  // namespace

LogReader::LogReader(std::size_t block, std::size_t maxLine)
    : block_(std::max<std::size_t>(block, 1)), maxLine_(std::max(maxLine, block_))
{
    buffer_.resize(block_);
}

bool LogReader::Open(const QString& path)
{
    Close();
    // Only a plain file: a pipe put in place of a log file would block the
    // scan at the open.
    const QFileInfo info(path);
    if (!info.isFile()) {
        why_ = !info.exists() && info.isSymLink() ? "it is a link to nothing or to itself"
               : info.exists()                    ? "it is no plain file"
                                                  : "it is gone";
        return false;
    }
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        why_ = file_.error() == QFileDevice::PermissionsError ? "permission denied" : file_.errorString().toStdString();
        return false;
    }
    Begin();
    return true;
}

bool LogReader::Open(const std::filesystem::path& path)
{
    Close();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        why_ = ec ? ec.message() : "it is no plain file";
        return false;
    }
    // A name that a text names exactly is opened as before; another one
    // (bytes that are no text in the system's encoding) through the C
    // library, which takes the system's own form.
    std::FILE* handle = nullptr;
    if constexpr (std::is_same_v<std::filesystem::path::value_type, char>) {
        const std::string native = path.string();  // the bytes themselves here
        const QByteArray raw(native.data(), static_cast<qsizetype>(native.size()));
        const QString text = QFile::decodeName(raw);
        if (QFile::encodeName(text) == raw)
            return Open(text);
        handle = std::fopen(native.c_str(), "rb");
    } else {
        return Open(QString::fromStdU16String(path.u16string()));
    }
    if (handle == nullptr) {
        why_ = std::error_code(errno, std::generic_category()).message();
        return false;
    }
    std::setvbuf(handle, nullptr, _IONBF, 0);  // the reader reads big blocks itself
    if (!file_.open(handle, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        std::fclose(handle);
        return false;
    }
    Begin();
    return true;
}

bool LogReader::OpenAt(const std::filesystem::path& path, std::int64_t from, TextEncoding encoding)
{
    if (!Open(path)) {
        failed_ = true;  // the file was read up to here
        return false;
    }
    detected_ = true;
    encoding_ = encoding;
    base_ = from;
    if (!file_.seek(from)) {
        failed_ = atEnd_ = true;
        why_ = file_.errorString().toStdString();
    }
    return true;
}

bool LogReader::EndAt(std::int64_t at)
{
    if (Wide() || at < file_.pos())
        return false;
    left_ = at - file_.pos();
    return true;
}

void LogReader::Begin()
{
    if (buffer_.size() > block_) {
        buffer_.resize(block_);  // a long line of an earlier file grew it
        buffer_.shrink_to_fit();
    }
    begin_ = end_ = scanned_ = 0;
    base_ = 0;
    left_ = -1;
    odd_.clear();
    encoding_ = TextEncoding::SingleByte;
    pendingUnit_ = pendingByte_ = -1;
    detected_ = atEnd_ = failed_ = mark_ = false;
    why_.clear();
}

void LogReader::Close()
{
    file_.close();
    atEnd_ = true;
    begin_ = end_ = scanned_ = 0;
}

std::int64_t LogReader::ConsumedAt(std::size_t at) const
{
    const auto after = std::lower_bound(odd_.begin(), odd_.end(), at, [](const Odd& o, std::size_t a) { return o.At < a; });
    const std::int64_t extra = after == odd_.begin() ? 0 : std::prev(after)->Sum;
    return base_ + static_cast<std::int64_t>(at) * (Wide() ? 2 : 1) + extra;
}

void LogReader::AddOdd(std::size_t at, int extra)
{
    odd_.push_back({at, (odd_.empty() ? 0 : odd_.back().Sum) + extra});
}

std::string_view LogReader::Buffered() const
{
    std::size_t end = end_;
    // Whether a line feed follows a carriage return at the end is not known
    // until more is read.
    if (!atEnd_ && end > begin_ && buffer_[end - 1] == '\r')
        --end;
    return {buffer_.data() + begin_, end - begin_};
}

std::string_view LogReader::Head(std::size_t limit)
{
    while (end_ - begin_ < limit && LineEndIn(buffer_.data(), begin_, end_) == end_ && Fill()) {
    }
    return Buffered();
}

void LogReader::Compact()
{
    if (begin_ == 0)
        return;
    const std::int64_t consumed = ConsumedAt(begin_);
    const std::int64_t passedExtra = consumed - base_ - static_cast<std::int64_t>(begin_) * (Wide() ? 2 : 1);
    base_ = consumed;
    std::erase_if(odd_, [this](const Odd& o) { return o.At < begin_; });
    for (Odd& o : odd_) {
        o.At -= begin_;
        o.Sum -= passedExtra;
    }
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    scanned_ -= begin_;
    begin_ = 0;
}

void LogReader::Drop()
{
    // A carriage return at the end stays: a line feed read next belongs to it.
    const std::size_t keep = end_ > 0 && buffer_[end_ - 1] == '\r' ? 1 : 0;
    begin_ = end_ - keep;
    Compact();
    scanned_ = 0;
}

void LogReader::DetectEncoding()
{
    detected_ = true;
    unsigned char head[4];
    std::size_t got = 0;
    while (got < 4) {
        const qint64 n = file_.read(reinterpret_cast<char*>(head) + got, static_cast<qint64>(4 - got));
        if (n < 0)
            failed_ = atEnd_ = true;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    std::size_t mark = 0;
    if (got >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
        encoding_ = TextEncoding::Utf16LE;
        mark = 2;
    } else if (got >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
        encoding_ = TextEncoding::Utf16BE;
        mark = 2;
    } else if (got >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
        encoding_ = TextEncoding::Utf8;
        mark = 3;
    } else if (got == 4 && head[0] >= 0x09 && head[0] < 0x7F && head[1] == 0 && head[2] != 0 && head[3] == 0) {
        encoding_ = TextEncoding::Utf16LE;  // no mark, but two plain characters with their zero high bytes
    } else if (got == 4 && head[0] == 0 && head[1] >= 0x09 && head[1] < 0x7F && head[2] == 0 && head[3] != 0) {
        encoding_ = TextEncoding::Utf16BE;
    }
    base_ = static_cast<std::int64_t>(mark);
    // The text is read from after the mark like the rest of the file.
    if (!atEnd_ && !file_.seek(base_)) {
        failed_ = atEnd_ = true;
        why_ = file_.errorString().toStdString();
    }
}

std::size_t LogReader::Decode16(const unsigned char* raw, std::size_t n, char* out)
{
    const bool le = encoding_ == TextEncoding::Utf16LE;
    char* o = out;
    int pending = pendingUnit_;  // kept here: writes through o could alias the member
    // One unit; false at Ctrl-Z.
    auto take = [&](unsigned unit) {
        if (pending >= 0) {
            pending = -1;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                // The pair is one character, of four file bytes.
                AddOdd(end_ + static_cast<std::size_t>(o - out), 2);
                *o++ = '?';
                return true;
            }
            *o++ = '?';  // a high surrogate without its partner
        }
        if (unit == static_cast<unsigned>(kCtrlZ))
            return false;
        if (unit >= 0xD800 && unit <= 0xDBFF)
            pending = static_cast<int>(unit);
        else
            *o++ = unit <= 0xFF ? static_cast<char>(unit) : '?';  // a lone low surrogate is above too
        return true;
    };
    std::size_t i = 0;
    bool more = true;
    if (pendingByte_ >= 0 && n > 0) {
        const unsigned a = static_cast<unsigned>(pendingByte_), b = raw[0];
        pendingByte_ = -1;
        i = 1;
        more = take(le ? (a | b << 8) : (a << 8 | b));
    }
    const std::size_t hi = le ? 1 : 0;  // where a unit's high byte stands
    while (more && i + 1 < n) {
        // The common case: no surrogate waiting, a unit below the surrogates
        // that is not Ctrl-Z.
        if (pending < 0) {
            // Four units at a time while all are below U+0100 and none is
            // Ctrl-Z.
            const std::uint64_t highBytes = le ? 0xFF00FF00FF00FF00ull : 0x00FF00FF00FF00FFull;
            for (std::uint64_t word; i + 8 <= n; i += 8, o += 4) {
                std::memcpy(&word, raw + i, 8);
                const std::size_t lo = 1 - hi;
                const char c[4] = {static_cast<char>(raw[i + lo]), static_cast<char>(raw[i + 2 + lo]),
                                   static_cast<char>(raw[i + 4 + lo]), static_cast<char>(raw[i + 6 + lo])};
                if ((word & highBytes) != 0 || c[0] == kCtrlZ || c[1] == kCtrlZ || c[2] == kCtrlZ || c[3] == kCtrlZ)
                    break;
                std::memcpy(o, c, 4);
            }
            for (; i + 1 < n; i += 2) {
                const unsigned unit = static_cast<unsigned>(raw[i + hi]) << 8 | raw[i + 1 - hi];
                if (unit >= 0xD800 || unit == static_cast<unsigned>(kCtrlZ))
                    break;
                *o++ = unit <= 0xFF ? static_cast<char>(unit) : '?';
            }
            if (i + 1 >= n)
                break;
        }
        more = take(static_cast<unsigned>(raw[i + hi]) << 8 | raw[i + 1 - hi]);
        i += 2;
    }
    pendingUnit_ = pending;
    if (!more)
        atEnd_ = mark_ = true;
    else if (i < n)
        pendingByte_ = raw[i];
    return static_cast<std::size_t>(o - out);
}

bool LogReader::Fill()
{
    if (!detected_ && file_.isOpen())
        DetectEncoding();
    if (atEnd_ || !file_.isOpen())
        return false;
    const std::size_t before = end_;
    if (buffer_.size() - end_ < 2)
        buffer_.resize(end_ + 2);  // room for what a UTF-16 read can leave over
    std::size_t room = buffer_.size() - end_;
    if (left_ >= 0) {
        room = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(room), left_));
        if (room == 0) {
            atEnd_ = true;
            return false;
        }
    }
    qint64 n = 0;
    if (Wide()) {
        // Each unit gives at most one byte of text, a partner kept from the
        // last read one more.
        raw_.resize(2 * (room - 1) - (pendingByte_ >= 0 ? 1 : 0));
        n = file_.read(reinterpret_cast<char*>(raw_.data()), static_cast<qint64>(raw_.size()));
    } else {
        n = file_.read(buffer_.data() + end_, static_cast<qint64>(room));
        if (left_ >= 0 && n > 0)
            left_ -= n;
    }
    if (n < 0) {
        failed_ = true;
        why_ = file_.errorString().toStdString();
    }
    if (n <= 0) {
        atEnd_ = true;
        if (pendingUnit_ >= 0 || pendingByte_ >= 0) {
            // The file ends in the middle of a character: it is undecodable.
            if (pendingUnit_ >= 0)
                buffer_[end_++] = '?';
            if (pendingByte_ >= 0) {
                AddOdd(end_, -1);
                buffer_[end_++] = '?';
            }
            pendingUnit_ = pendingByte_ = -1;
        }
        return end_ > before;
    }
    if (Wide()) {
        end_ += Decode16(raw_.data(), static_cast<std::size_t>(n), buffer_.data() + end_);
        return true;
    }
    const char* fresh = buffer_.data() + end_;
    const void* z = std::memchr(fresh, kCtrlZ, static_cast<std::size_t>(n));
    if (z != nullptr) {
        end_ += static_cast<std::size_t>(static_cast<const char*>(z) - fresh);
        atEnd_ = mark_ = true;  // the text ends here whatever follows
        return true;
    }
    end_ += static_cast<std::size_t>(n);
    return true;
}

bool LogReader::NextBlock(std::string_view& text)
{
    if (begin_ == end_) {
        Compact();
        if (!Fill())
            return false;
    }
    text = {buffer_.data() + begin_, end_ - begin_};
    begin_ = scanned_ = end_;
    return true;
}

std::int64_t CountLineEnds(std::string_view text)
{
    // One line end at every carriage return, and at every line feed that
    // does not follow one: place i counts when byte i is a carriage return
    // or byte i + 1 a line feed. One pass, sixteen places a step where the
    // processor offers it: a byte search per kind of line end would stop at
    // every line, twice.
    const char* p = text.data();
    const std::size_t n = text.size();
    if (n == 0)
        return 0;
    std::int64_t ends = (p[0] == '\n') + (p[n - 1] == '\r');  // the places -1 and n - 1
    std::size_t i = 0;  // places below i are counted, up to n - 1
#if defined(__SSE2__) || defined(_M_X64)
    if (n >= 17) {
        const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
        const auto at = [&](std::size_t from) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from + 1));
            return _mm_or_si128(_mm_cmpeq_epi8(a, cr), _mm_cmpeq_epi8(b, lf));
        };
        const auto add = [&](__m128i sums) {
            sums = _mm_sad_epu8(sums, zero);
            ends += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
        };
        // Each byte lane counts at most 255 steps.
        while (n - 1 - i >= 16) {
            const std::size_t steps = std::min<std::size_t>((n - 1 - i) / 16, 255);
            __m128i sums = zero;
            for (std::size_t k = 0; k < steps; ++k, i += 16)
                sums = _mm_sub_epi8(sums, at(i));
            add(sums);
        }
        // The last places overlap the step before, whose lanes are masked.
        if (i < n - 1) {
            alignas(16) static const char keep[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                      -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
            const std::size_t from = n - 17;
            const __m128i fresh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keep + 16 - (i - from)));
            add(_mm_sub_epi8(zero, _mm_and_si128(at(from), fresh)));
            i = n - 1;
        }
    }
#endif
    for (; i + 1 < n; ++i)
        ends += p[i] == '\r' || p[i + 1] == '\n';
    return ends;
}

std::size_t NextLineStart(std::string_view text, std::size_t from)
{
    const std::size_t at = LineEndIn(text.data(), from, text.size());
    if (at == text.size())
        return at;
    return at + 1 + (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 1 : 0);
}

LineHead LineHeadOf(std::string_view text, std::size_t at)
{
    // Thirty-two bytes at a time while all of them are plain ASCII and none
    // a line end (the marker of a connection line stands far into it), then
    // eight. The test is for any byte below 14, which takes in both line
    // ends; the byte loop below sorts out the others (tabs and the like).
    // The high bits of every byte looked at are gathered on the way, which
    // spares the line's decoding a pass over its head.
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    auto word = [&text](std::size_t from) {
        std::uint64_t w;
        std::memcpy(&w, text.data() + from, 8);
        return w;
    };
    auto low = [](std::uint64_t w) { return (w - ones * 14) & ~w & highs; };
    // The high bit of a byte below 14 or above 0x7F, and borrows only where
    // one of those stands.
    auto unusual = [](std::uint64_t w) { return (w - ones * 14) | w; };
    for (; at >= 32; at -= 32)
        if ((unusual(word(at - 32)) | unusual(word(at - 24)) | unusual(word(at - 16)) | unusual(word(at - 8))) & highs)
            break;
    std::uint64_t seen = 0;
    for (; at >= 8; at -= 8) {
        const std::uint64_t w = word(at - 8);
        seen |= w;
        if (low(w))
            break;
    }
    while (at > 0 && text[at - 1] != '\r' && text[at - 1] != '\n')
        seen |= static_cast<unsigned char>(text[--at]);
    return {at, (seen & highs) == 0};
}

bool LogReader::Next(LogLineRead& line)
{
    std::int64_t passed = 0;  // bytes of an overlong line already let go
    bool overlong = false;
    auto hand = [&](std::size_t length, std::size_t next) {
        line.Length = passed + static_cast<std::int64_t>(length);
        line.Overlong = overlong || line.Length > static_cast<std::int64_t>(maxLine_);
        line.Text = line.Overlong ? std::string_view() : std::string_view(buffer_.data() + begin_, length);
        begin_ = scanned_ = next;
        return true;
    };
    scanned_ = std::max(scanned_, begin_);
    for (;;) {
        const std::size_t at = LineEndIn(buffer_.data(), scanned_, end_);
        if (at < end_) {
            if (buffer_[at] == '\n')
                return hand(at - begin_, at + 1);
            if (at + 1 < end_)
                return hand(at - begin_, at + 1 + (buffer_[at + 1] == '\n' ? 1 : 0));
            if (atEnd_)
                return hand(at - begin_, at + 1);
            scanned_ = at;  // a carriage return at the end: is a line feed next?
        } else {
            scanned_ = end_;
            if (atEnd_) {
                // After a read error the unfinished line is not trusted.
                if ((begin_ == end_ && passed == 0) || failed_)
                    return false;
                return hand(end_ - begin_, end_);
            }
        }
        // Need more text: keep the unfinished line at the buffer's start.
        Compact();
        if (end_ == buffer_.size()) {
            // Two bytes beyond the limit, so that a line of exactly the
            // limit can show its whole line end.
            if (!overlong && buffer_.size() < maxLine_ + 2) {
                buffer_.resize(std::min(maxLine_ + 2, buffer_.size() * 2));
            } else {
                // Longer than we keep: count it and let its text go.
                overlong = true;
                const std::size_t before = end_;
                Drop();
                passed += static_cast<std::int64_t>(before - end_);
            }
        }
        Fill();  // at the end it sets atEnd_, which the next round handles
    }
}

namespace {

// The length of the UTF-8 sequence at p (at most n bytes), 0 when none
// starts there; its code point in cp.
std::size_t Utf8Sequence(const unsigned char* p, std::size_t n, unsigned& cp)
{
    const unsigned c = p[0];
    std::size_t len = 0;
    unsigned low = 0x80, high = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (n < len || p[1] < low || p[1] > high)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (p[k] & 0x3F);
    }
    return len;
}

}  // namespace

std::string_view DecodeLine(std::string_view line, TextEncoding encoding, std::string& out, std::size_t ascii)
{
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
        return line;  // single bytes already
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t n = line.size();
    // Plain ASCII, by far the most common, reads the same in every form:
    // looked at thirty-two bytes at a time, then eight.
    auto high = [p](std::size_t at) {
        std::uint64_t word;
        std::memcpy(&word, p + at, 8);
        return word & 0x8080808080808080ull;
    };
    std::size_t i = std::min(ascii, n);
    for (; i + 32 <= n; i += 32)
        if (high(i) | high(i + 8) | high(i + 16) | high(i + 24))
            break;
    for (; i + 8 <= n; i += 8)
        if (high(i))
            break;
    while (i < n && p[i] < 0x80)
        ++i;
    if (i == n)
        return line;
    const bool marked = encoding == TextEncoding::Utf8;
    out.resize(n);
    std::memcpy(out.data(), line.data(), i);
    std::size_t o = i;
    while (i < n) {
        if (p[i] < 0x80) {
            // A run of ASCII is copied whole, its end found eight bytes a
            // step.
            std::size_t end = i + 1;
            while (end + 8 <= n && high(end) == 0)
                end += 8;
            while (end < n && p[end] < 0x80)
                ++end;
            std::memcpy(out.data() + o, p + i, end - i);
            o += end - i;
            i = end;
            continue;
        }
        unsigned cp = 0;
        const std::size_t len = Utf8Sequence(p + i, n - i, cp);
        if (len == 0) {
            if (!marked)
                return line;  // not UTF-8: single bytes as they stand
            out[o++] = '?';
            ++i;
            continue;
        }
        out[o++] = cp <= 0xFF ? static_cast<char>(cp) : '?';
        i += len;
    }
    out.resize(o);
    return out;
}

}  // namespace vy
