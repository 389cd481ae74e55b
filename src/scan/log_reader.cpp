#include "scan/log_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QFile>


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

std::int64_t CountedBytes(std::string_view text)
{
    std::size_t lone = 0;
    for (std::size_t i = text.find('\r'); i != std::string_view::npos; i = text.find('\r', i + 1))
        if (i + 1 == text.size() || text[i + 1] != '\n')
            ++lone;
    return static_cast<std::int64_t>(text.size() + lone);
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
