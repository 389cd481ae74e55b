#include "scan/log_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QFile>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vy {

namespace {
constexpr char kCtrlZ = 26;
}

LogReader::LogReader(std::size_t block, std::size_t maxLine)
    : block_(std::max<std::size_t>(block, 1)), maxLine_(std::max(maxLine, block_))
{
    buffer_.resize(block_);
}

LogReader::~LogReader() { Close(); }

bool LogReader::Open(const QString& path)
{
    Close();
    // Non-blocking, so that a pipe put in place of a log file cannot hang
    // the scan before the type check below refuses it.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return false;
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    if (buffer_.size() > block_) {
        buffer_.resize(block_);  // a long line of an earlier file grew it
        buffer_.shrink_to_fit();
    }
    begin_ = end_ = scanned_ = 0;
    atEnd_ = skipFeed_ = failed_ = false;
    return true;
}

void LogReader::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    atEnd_ = true;
    begin_ = end_ = scanned_ = 0;
}

void LogReader::Compact()
{
    if (begin_ == 0)
        return;
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    scanned_ -= begin_;
    begin_ = 0;
}

bool LogReader::Fill()
{
    if (atEnd_ || fd_ < 0)
        return false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed_ = true;
            atEnd_ = true;
            return false;
        }
        if (n == 0) {
            atEnd_ = true;
            return false;
        }
        const char* fresh = buffer_.data() + end_;
        const void* z = std::memchr(fresh, kCtrlZ, static_cast<std::size_t>(n));
        if (z != nullptr) {
            end_ += static_cast<std::size_t>(static_cast<const char*>(z) - fresh);
            atEnd_ = true;  // the text ends here whatever follows
            return true;
        }
        end_ += static_cast<std::size_t>(n);
        return true;
    }
}

void LogReader::SkipPendingFeed()
{
    if (skipFeed_ && begin_ < end_) {
        skipFeed_ = false;
        if (buffer_[begin_] == '\n') {
            ++begin_;
            scanned_ = std::max(scanned_, begin_);
        }
    }
}

std::string_view LogReader::Buffered()
{
    SkipPendingFeed();
    if (skipFeed_)
        return {};  // whether a line feed comes next is not known yet
    return {buffer_.data() + begin_, end_ - begin_};
}

void LogReader::Pass(std::size_t n)
{
    begin_ += n;
    scanned_ = begin_;
    // A carriage return at the end of the bytes read: a line feed read next
    // still belongs to it.
    skipFeed_ = n > 0 && begin_ == end_ && buffer_[begin_ - 1] == '\r';
}

namespace {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VY_READER_WIDE 1
// The carriage returns not followed by a line feed among the places from i
// on whose next byte is within the n bytes, 64 at a time; i moves past them.
__attribute__((target("avx512f,avx512bw,popcnt"))) std::size_t LoneReturns64(const char* p, std::size_t n,
                                                                            std::size_t& i)
{
    const __m512i cr = _mm512_set1_epi8('\r');
    const __m512i lf = _mm512_set1_epi8('\n');
    std::size_t lone = 0;
    for (; i + 65 <= n; i += 64) {
        const __mmask64 here = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(p + i), cr);
        const __mmask64 next = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(p + i + 1), lf);
        lone += static_cast<std::size_t>(__builtin_popcountll(here & ~next));
    }
    return lone;
}

bool HasWideReturns()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512bw");
}
#endif

}  // namespace

std::int64_t CountedBytes(std::string_view text)
{
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t lone = 0;
    std::size_t i = 0;
#ifdef VY_READER_WIDE
    static const bool wide = HasWideReturns();
    if (wide)
        lone += LoneReturns64(p, n, i);
#endif
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 17 <= n; i += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr))));
        if (mask != 0)
            lone += static_cast<std::size_t>(__builtin_popcount(mask));
    }
#endif
    for (; i < n; ++i)
        if (p[i] == '\r' && (i + 1 == n || p[i + 1] != '\n'))
            ++lone;
    return static_cast<std::int64_t>(n + lone);
}

bool LogReader::Next(LogLineRead& line)
{
    std::int64_t passed = 0;  // bytes of an overlong line already let go
    bool overlong = false;
    for (;;) {
        SkipPendingFeed();
        if (!skipFeed_ || atEnd_) {
            const char* base = buffer_.data();
            const void* cr = std::memchr(base + scanned_, '\r', end_ - scanned_);
            if (cr != nullptr) {
                const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(cr) - base);
                const std::size_t length = at - begin_;
                line.Overlong = overlong;
                line.Length = passed + static_cast<std::int64_t>(length);
                line.Text = overlong ? std::string_view() : std::string_view(base + begin_, length);
                begin_ = at + 1;
                if (begin_ < end_) {
                    if (buffer_[begin_] == '\n')
                        ++begin_;
                } else {
                    skipFeed_ = true;
                }
                scanned_ = begin_;
                return true;
            }
            scanned_ = end_;
            if (atEnd_) {
                skipFeed_ = false;
                // After a read error the unfinished line is not trusted.
                if ((begin_ == end_ && passed == 0) || failed_)
                    return false;
                line.Overlong = overlong;
                line.Length = passed + static_cast<std::int64_t>(end_ - begin_);
                line.Text = overlong ? std::string_view() : std::string_view(base + begin_, end_ - begin_);
                begin_ = scanned_ = end_;
                return true;
            }
        }
        // Need more bytes: keep the unfinished line at the buffer's start.
        Compact();
        if (end_ == buffer_.size()) {
            // One byte beyond the limit, so that a line of exactly the
            // limit can show its carriage return.
            if (!overlong && buffer_.size() <= maxLine_) {
                buffer_.resize(std::min(maxLine_ + 1, buffer_.size() * 2));
            } else {
                // Longer than we keep: count it and let its bytes go.
                overlong = true;
                passed += static_cast<std::int64_t>(end_);
                begin_ = end_ = scanned_ = 0;
            }
        }
        Fill();  // at the end it sets atEnd_, which the next round handles
    }
}

}  // namespace vy
