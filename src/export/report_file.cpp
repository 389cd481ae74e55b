#include "export/report_writers.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vy {

// Qt's case folding takes no character but A to Z to the letters of these
// extensions.
QString WithTextExtension(const QString& name)
{
    return name.endsWith(QLatin1StringView(".txt"), Qt::CaseInsensitive) ? name : name + QStringLiteral(".txt");
}

QString WithHtmlExtension(const QString& name)
{
    return name.endsWith(QLatin1StringView(".htm"), Qt::CaseInsensitive) ? name : name + QStringLiteral(".htm");
}

QString WithDataExtension(const QString& name, const QString& extension)
{
    const QString file = QFileInfo(name).fileName();
    return file.lastIndexOf(QLatin1Char('.')) > 0 ? name : name + extension;
}

std::optional<QString> WriteReportFile(const QString& path, std::string_view bytes)
{
    ReportFileWriter writer(path);
    if (auto error = writer.Open())
        return error;
    if (auto error = writer.Write(bytes))
        return error;
    return writer.Close();
}

ReportFileWriter::ReportFileWriter(const QString& path) : path_(path) {}

std::optional<QString> ReportFileWriter::Failed()
{
    // The system's reason, then the name as given.
    QString text = file_->errorString() + QStringLiteral(": ") + path_;
    if (auto* save = dynamic_cast<QSaveFile*>(file_.get())) {
        if (save->isOpen()) {
            save->cancelWriting();
            save->commit();  // cancelled: only takes the unfinished copy away
        }
    } else {
        file_->close();
    }
    return text;
}

std::optional<QString> ReportFileWriter::Open()
{
    // Only a regular file (or a new one) can be replaced whole; a device, a
    // pipe or a folder is opened as named, and says what it says.
    const QFileInfo target(path_);
    if (target.exists() && !target.isFile())
        file_ = std::make_unique<QFile>(path_);
    else
        file_ = std::make_unique<QSaveFile>(path_);
    // Unbuffered: a failure is seen by the write that meets it (a failed
    // flush at the end would not stop the copy from taking the file's place).
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return Failed();
    return std::nullopt;
}

std::optional<QString> ReportFileWriter::Write(std::string_view bytes)
{
    qint64 done = 0;
    const auto size = static_cast<qint64>(bytes.size());
    while (done < size) {
        const qint64 n = file_->write(bytes.data() + done, size - done);
        if (n <= 0)  // a failure, or no progress: never spin on it
            return Failed();
        done += n;
    }
    return std::nullopt;
}

std::optional<QString> ReportFileWriter::Close()
{
    // Some file systems report a failed write only when the file is closed.
    if (auto* save = dynamic_cast<QSaveFile*>(file_.get())) {
        if (!save->commit())
            return Failed();
        return std::nullopt;
    }
    file_->close();
    if (file_->error() != QFileDevice::NoError)
        return file_->errorString() + QStringLiteral(": ") + path_;
    return std::nullopt;
}

}  // namespace vy
