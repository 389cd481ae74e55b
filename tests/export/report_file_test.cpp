#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "export/report_writers.h"

namespace vy {
namespace {

std::string ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    const QByteArray b = f.readAll();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

TEST(ExtensionRules, TextName)
{
    EXPECT_EQ(WithTextExtension("report"), "report.txt");
    EXPECT_EQ(WithTextExtension("REPORT.TXT"), "REPORT.TXT");
    EXPECT_EQ(WithTextExtension("report.Txt"), "report.Txt");
    EXPECT_EQ(WithTextExtension("report.text"), "report.text.txt");
    EXPECT_EQ(WithTextExtension("report.htm"), "report.htm.txt");
    EXPECT_EQ(WithTextExtension(".txt"), ".txt");
    EXPECT_EQ(WithTextExtension("txt"), "txt.txt");
    EXPECT_EQ(WithTextExtension(""), ".txt");
}

TEST(ExtensionRules, HtmlName)
{
    EXPECT_EQ(WithHtmlExtension("report.html"), "report.html.htm");
    EXPECT_EQ(WithHtmlExtension("report.HTM"), "report.HTM");
    EXPECT_EQ(WithHtmlExtension("Jan.HTM"), "Jan.HTM");
    EXPECT_EQ(WithHtmlExtension("report.txt"), "report.txt.htm");
    EXPECT_EQ(WithHtmlExtension("/tmp/a.b/report"), "/tmp/a.b/report.htm");
    // Only A to Z fold: a dotless capital I or other look-alikes do not.
    EXPECT_EQ(WithHtmlExtension(QString::fromUtf8("r.\u0126TM")), QString::fromUtf8("r.\u0126TM.htm"));
}

TEST(WriteReportFile, CreatesAndReplacesByteForByte)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("report.txt");
    const std::string bytes("a;\xe9;\r\n\0z;\r\n", 10);
    EXPECT_EQ(WriteReportFile(path, bytes), std::nullopt);
    EXPECT_EQ(ReadAll(path), bytes);
    // A shorter report replaces the longer one whole.
    EXPECT_EQ(WriteReportFile(path, "x\r\n"), std::nullopt);
    EXPECT_EQ(ReadAll(path), "x\r\n");
    EXPECT_EQ(WriteReportFile(path, ""), std::nullopt);
    EXPECT_EQ(ReadAll(path), "");
}

TEST(WriteReportFile, FailuresNameTheErrorAndTheFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath("no-such-folder/report.txt");
    EXPECT_EQ(WriteReportFile(missing, "x"), "No such file or directory: " + missing);

    const QString plain = dir.filePath("plain");
    ASSERT_EQ(WriteReportFile(plain, "x"), std::nullopt);
    const QString underFile = plain + "/report.htm";
    EXPECT_EQ(WriteReportFile(underFile, "x"), "Not a directory: " + underFile);

    EXPECT_EQ(WriteReportFile(dir.path(), "x"), "Is a directory: " + dir.path());

    if (QFile::exists("/dev/full")) {
        EXPECT_EQ(WriteReportFile("/dev/full", "x\r\n"), QString("No space left on device: /dev/full"));
    }
}

TEST(WriteReportFile, ReadOnlyFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const QString path = dir.filePath("report.txt");
    EXPECT_EQ(WriteReportFile(path, "x"), "Permission denied: " + path);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(WriteReportFile, AFailedWriteLeavesTheOldFileOrNone)
{
    // A file-size limit stands in for a disk that fills up part way.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString old = dir.filePath("old.htm");
    const QString fresh = dir.filePath("new.htm");
    ASSERT_EQ(WriteReportFile(old, "old\r\n"), std::nullopt);
    rlimit was{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &was), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = was;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string bytes(10000, 'b');
    const auto replacing = WriteReportFile(old, bytes);
    const auto creating = WriteReportFile(fresh, bytes);
    ::setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(replacing, "File too large: " + old);
    EXPECT_EQ(creating, "File too large: " + fresh);
    EXPECT_EQ(ReadAll(old), "old\r\n");
    // Nothing half written is left beside it either.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.htm"});
}

}  // namespace
}  // namespace vy
