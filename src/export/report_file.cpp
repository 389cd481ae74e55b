#include "export/report_writers.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

namespace vy {

namespace {

// Compares the last four characters with a lower-case extension, folding
// A to Z only.
bool EndsWithExtension(const QString& name, const char (&ext)[5])
{
    if (name.size() < 4)
        return false;
    const qsizetype start = name.size() - 4;
    for (int i = 0; i < 4; ++i) {
        char16_t ch = name.at(start + i).unicode();
        if (ch >= u'A' && ch <= u'Z')
            ch = static_cast<char16_t>(ch - u'A' + u'a');
        if (ch != static_cast<unsigned char>(ext[i]))
            return false;
    }
    return true;
}

QString ErrorText(int error, const QString& path)
{
    return QString::fromStdString(std::error_code(error, std::generic_category()).message()) + QStringLiteral(": ") +
           path;
}

}  // namespace

QString WithTextExtension(const QString& name)
{
    return EndsWithExtension(name, ".txt") ? name : name + QStringLiteral(".txt");
}

QString WithHtmlExtension(const QString& name)
{
    return EndsWithExtension(name, ".htm") ? name : name + QStringLiteral(".htm");
}

std::optional<QString> WriteReportFile(const QString& path, std::string_view bytes)
{
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return ErrorText(errno, path);

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return ErrorText(error, path);
        }
        if (n == 0) {  // no progress: never spin on it
            ::close(fd);
            return ErrorText(EIO, path);
        }
        done += static_cast<std::size_t>(n);
    }
    // Some file systems report a failed write only when the file is closed.
    if (::close(fd) != 0 && errno != EINTR)
        return ErrorText(errno, path);
    return std::nullopt;
}

}  // namespace vy
