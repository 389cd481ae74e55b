#include <gtest/gtest.h>

#include <fstream>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "scan/file_enumeration.h"

namespace vy {
namespace {

// Whether a folder holding only name lists it under filter.
bool MatchesFileFilter(const QString& name, const QString& filter)
{
    QTemporaryDir dir;
    std::ofstream(QFile::encodeName(dir.filePath(name)).constData());
    return !ListLogFolder(dir.path(), filter).Files.empty();
}

TEST(MatchesFileFilter, WildcardsWithoutRegardToCase)
{
    EXPECT_TRUE(MatchesFileFilter("LOG.TXT", "*.txt"));
    EXPECT_TRUE(MatchesFileFilter("log.txt", "*.TXT"));
    EXPECT_TRUE(MatchesFileFilter(".txt", "*.txt"));
    EXPECT_FALSE(MatchesFileFilter("log.txt.bak", "*.txt"));
    EXPECT_FALSE(MatchesFileFilter("logtxt", "*.txt"));
    EXPECT_TRUE(MatchesFileFilter("ras01.log", "ras??.log"));
    EXPECT_FALSE(MatchesFileFilter("ras1.log", "ras??.log"));
    EXPECT_TRUE(MatchesFileFilter("a.b.c", "*.*.*"));
    EXPECT_TRUE(MatchesFileFilter("abc", "a*b*c"));
    EXPECT_TRUE(MatchesFileFilter("aXbYbc", "a*b*c"));
    EXPECT_FALSE(MatchesFileFilter("abcd", "a*b*c"));
    EXPECT_TRUE(MatchesFileFilter("M\u00c4RZ.txt", "m\u00e4rz.*"));
    EXPECT_TRUE(MatchesFileFilter("exact", "EXACT"));
    EXPECT_FALSE(MatchesFileFilter("exact", ""));
}

TEST(MatchesFileFilter, AFinalDotStarAlsoTakesNamesWithoutExtension)
{
    EXPECT_TRUE(MatchesFileFilter("README", "*.*"));
    EXPECT_TRUE(MatchesFileFilter("ras", "ras.*"));
    EXPECT_TRUE(MatchesFileFilter("ras.1", "ras.*"));
    EXPECT_FALSE(MatchesFileFilter("rasx", "ras.*"));
}

TEST(MatchesFileFilter, SeveralPatternsEachTakeTheirNames)
{
    EXPECT_TRUE(MatchesFileFilter("a.CSV", "*.txt; *.csv"));
    EXPECT_TRUE(MatchesFileFilter("a.txt", "*.txt;;*.csv"));
    EXPECT_FALSE(MatchesFileFilter("a.xml", "*.txt;*.csv"));
    // A pattern with a folder in it matches nothing; the others still do.
    EXPECT_FALSE(MatchesFileFilter("a.txt", "sub/*.txt"));
    EXPECT_TRUE(MatchesFileFilter("a.evtx", "sub/*.txt;*.evtx"));
    EXPECT_FALSE(MatchesFileFilter("a.txt", ";"));
}

TEST(MatchesFileFilter, ManyStarsStayFast)
{
    const QString name = QString(200, u'a');
    EXPECT_FALSE(MatchesFileFilter(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}

class ListLogFolderTest : public ::testing::Test {
protected:
    void Write(const QString& name, const std::string& bytes)
    {
        std::ofstream(QFile::encodeName(dir_.filePath(name)).constData(), std::ios::binary) << bytes;
    }
    std::vector<QString> Names(const QString& filter)
    {
        std::vector<QString> out;
        for (const auto& e : ListLogFolder(dir_.path(), filter).Files)
            out.push_back(e.Name);
        return out;
    }
    QTemporaryDir dir_;
};

TEST_F(ListLogFolderTest, PlainAndHiddenFilesInNameOrderWithoutRegardToCase)
{
    Write("b.txt", "12345");
    Write("A.TXT", "1");
    Write("c.Txt", "");
    Write(".hidden.txt", "12");
    Write("other.log", "1");
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir_.filePath("pipe.txt")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("b.txt", QFile::encodeName(dir_.filePath("link.txt")).constData()), 0);
    ASSERT_EQ(::symlink("gone.txt", QFile::encodeName(dir_.filePath("dangling.txt")).constData()), 0);
    ASSERT_EQ(::symlink("folder.txt", QFile::encodeName(dir_.filePath("dirlink.txt")).constData()), 0);
    const auto files = ListLogFolder(dir_.path(), "*.txt").Files;
    std::vector<QString> names;
    std::vector<std::int64_t> sizes;
    for (const auto& f : files) {
        names.push_back(f.Name);
        sizes.push_back(f.Size);
    }
    EXPECT_EQ(names, (std::vector<QString>{".hidden.txt", "A.TXT", "b.txt", "c.Txt", "dangling.txt", "link.txt"}));
    EXPECT_EQ(sizes, (std::vector<std::int64_t>{2, 1, 5, 0, 0, 5}));
}

TEST_F(ListLogFolderTest, NamesDifferingOnlyInCaseKeepAFixedOrder)
{
    Write("log.txt", "");
    Write("LOG.txt", "");
    Write("Log.txt", "");
    EXPECT_EQ(Names("*.txt"), (std::vector<QString>{"LOG.txt", "Log.txt", "log.txt"}));
}

TEST_F(ListLogFolderTest, NothingForAMissingFolderOrAFilterWithAFolder)
{
    Write("a.txt", "");
    ASSERT_TRUE(QDir(dir_.path()).mkdir("sub"));
    Write("sub/b.txt", "");
    EXPECT_TRUE(ListLogFolder(dir_.filePath("missing"), "*.txt").Files.empty());
    EXPECT_TRUE(ListLogFolder(dir_.filePath("a.txt"), "*").Files.empty()) << "a file is no folder";
    EXPECT_TRUE(ListLogFolder("", "*.txt").Files.empty());
    EXPECT_TRUE(Names("sub/*.txt").empty());
    EXPECT_TRUE(Names("sub\\*.txt").empty());
    EXPECT_TRUE(Names("").empty());
    EXPECT_EQ(Names("*"), (std::vector<QString>{"a.txt"}));
}

}  // namespace
}  // namespace vy
