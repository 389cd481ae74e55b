#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include "loggen/log_generator.h"
#include "scan/log_reader.h"
#include "scan/scan_run.h"
#include "scan/scan_test_support.h"
#include "store/date_value.h"

namespace vy {
namespace {

using namespace scantest;

class ScanRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        settings_.LogDir = dir_.path();
        settings_.FileFilter = "*.txt";
        settings_.LogLanguage = "EN";
        settings_.NEvents = "20050;20048";
        settings_.InitialDate = Day(1998, 10, 1);
        settings_.FinalDate = Day(1998, 10, 31);
    }

    QString Write(const QString& name, const std::string& bytes) { return WriteFile(dir_.path(), name, bytes); }

    static std::string Lines(const std::vector<loggen::Connection>& cs, bool german = false)
    {
        std::string out;
        for (const auto& c : cs)
            out += loggen::ConnectionLineText(c, german) + "\r\n";
        return out;
    }

    ScanResult Scan(ScanObserver* observer = nullptr)
    {
        return RunScan(settings_, *stores_, stop_, observer);
    }

    int Live() const
    {
        int n = 0;
        for (const auto& r : stores_->Connections)
            n += r.Removed() ? 0 : 1;
        return n;
    }

    QTemporaryDir dir_;
    ScanSettings settings_;
    std::unique_ptr<Stores> stores_ = std::make_unique<Stores>();
    std::atomic<bool> stop_{false};
};

TEST_F(ScanRunTest, AGeneratedFolderGivesItsKnownTotals)
{
    loggen::GeneratorOptions o;
    o.Seed = 7;
    o.Files = 4;
    o.ConnectionLines = 3000;
    o.OtherLines = 5000;
    o.DuplicateLines = 5;
    const auto folder = loggen::GenerateLogFolder(dir_.path().toStdString(), o);
    settings_.CheckLogFiles = false;
    ScanResult r = Scan();
    ASSERT_EQ(r.LogFileList.size(), 4u);
    EXPECT_EQ(r.LogFileList[0], "ras001.txt");
    EXPECT_EQ(stores_->Connections.Count(), folder.ConnectionLines);
    std::int64_t active = 0, sent = 0, received = 0;
    for (const auto& rec : stores_->Connections) {
        active += rec.ActiveTime;
        sent += rec.BytesSent;
        received += rec.BytesReceived;
    }
    EXPECT_EQ(active, folder.ActiveSeconds);
    EXPECT_EQ(sent, folder.BytesSent);
    EXPECT_EQ(received, folder.BytesReceived);
    EXPECT_FALSE(r.DuplicatesFound);
    EXPECT_TRUE(ScanWarnings(r).empty());

    // Every domain, user, server, port and speed of the folder is there once.
    int kinds[6] = {};
    for (int i = 0; i < stores_->Names.Count(); ++i)
        ++kinds[stores_->Names[i].Kind];
    EXPECT_EQ(kinds[KindUser], o.Users);
    EXPECT_LE(kinds[KindDomain], o.Domains + 1);  // and "Local"

    settings_.CheckLogFiles = true;
    r = Scan();
    EXPECT_TRUE(r.DuplicatesFound);
    EXPECT_EQ(stores_->Connections.Count() - Live(), folder.DuplicateLines);
    EXPECT_EQ(ScanWarnings(r), std::vector<std::string>{"Duplicates is found!"});
}

TEST_F(ScanRunTest, TheLanguageSettingChoosesWhichLinesAreRead)
{
    loggen::GeneratorOptions o;
    o.Files = 2;
    o.ConnectionLines = 400;
    o.OtherLines = 400;
    o.Lang = loggen::Language::Mixed;  // the first file English, the second German
    loggen::GenerateLogFolder(dir_.path().toStdString(), o);
    Scan();
    EXPECT_EQ(stores_->Connections.Count(), 200);
    settings_.LogLanguage = "DE";
    Scan();
    EXPECT_EQ(stores_->Connections.Count(), 200);
    settings_.LogLanguage = "de";  // only "DE" itself is German
    Scan();
    EXPECT_EQ(stores_->Connections.Count(), 200);
    settings_.NEvents = "20048";
    Scan();
    EXPECT_EQ(stores_->Connections.Count(), 0);
}

TEST_F(ScanRunTest, TheDemonstrationFolderScansEndToEnd)
{
    // The source tree: from the test set-up, else from where this file is.
    QString source = QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR"));
    if (source.isEmpty())
        source = QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().filePath("../..");
    settings_.LogDir = QDir::cleanPath(source + "/data/DemoLog");
    settings_.CheckLogFiles = true;
    const ScanResult r = Scan();
    ASSERT_EQ(r.LogFileList.size(), 5u);
    std::int64_t bytes = 0;
    for (const auto& name : r.LogFileList)
        bytes += QFileInfo(settings_.LogDir + "/" + name).size();
    EXPECT_LT(bytes, 1000000) << "the demonstration stays small";
    EXPECT_EQ(stores_->Connections.Count(), 902);
    EXPECT_EQ(Live(), 900);
    EXPECT_TRUE(r.DuplicatesFound);
    EXPECT_EQ(ScanWarnings(r), std::vector<std::string>{"Duplicates is found!"});
    for (const auto& rec : stores_->Connections) {
        const CivilDate d = DecodeDate(rec.DateTime);
        EXPECT_TRUE(d.Year == 1998 && d.Month == 10) << d.Year << "-" << d.Month;
    }
}

TEST_F(ScanRunTest, EveryTextFormReadsAsTheOriginal)
{
    // The demonstration folder, and a generated one in both languages with
    // duplicates, a Ctrl-Z and names beyond ASCII, each in every form.
    QString source = QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR"));
    if (source.isEmpty())
        source = QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().filePath("../..");
    QTemporaryDir generated;
    loggen::GeneratorOptions o;
    o.Files = 2;
    o.ConnectionLines = 600;
    o.OtherLines = 600;
    o.DuplicateLines = 10;
    o.Lang = loggen::Language::Mixed;
    loggen::GenerateLogFolder(generated.path().toStdString(), o);
    loggen::Connection accented = Conn("J\xFCrgen", Day(1998, 10, 4));
    accented.Domain = "M\xDCNCHEN";
    WriteFile(generated.path(), "zz.txt", Lines({accented, Conn("b\xE9" "a", Day(1998, 10, 5))}) + "\x1A" + Lines({Conn("late", Day(1998, 10, 6))}));
    // Padding after a Ctrl-Z is no text left unread.
    WriteFile(generated.path(), "zy.txt", Lines({Conn("padded", Day(1998, 10, 7))}) + std::string("\x1A\x1A\0 \r\n", 6));
    settings_.CheckLogFiles = true;
    for (const QString& folder : {QDir::cleanPath(source + "/data/DemoLog"), generated.path()}) {
        settings_.LogDir = folder;
        Outcome original = Describe(*stores_, Scan());
        ASSERT_GT(original.Records.size(), 300u);
        // The bytes after the Ctrl-Z are told; the copies end there.
        EXPECT_EQ(std::erase_if(original.Warnings, [](const std::string& w) { return w.starts_with("zz.txt: "); }),
                  folder == generated.path() ? 1u : 0u);
        for (TextForm form : kEveryTextForm) {
            QTemporaryDir copy;
            ReencodeFolder(folder, copy.path(), form);
            settings_.LogDir = copy.path();
            EXPECT_EQ(Describe(*stores_, Scan()), original) << folder.toStdString() << " form " << static_cast<int>(form);
        }
    }
}

TEST_F(ScanRunTest, StopInTheMiddleOfAFileEndsTheReadingAfterThatLine)
{
    std::vector<loggen::Connection> first, second;
    for (int i = 0; i < 10; ++i) {
        first.push_back(Conn("a" + std::to_string(i), Day(1998, 10, 5) + i / 1440.0));
        second.push_back(Conn("b" + std::to_string(i), Day(1998, 10, 6) + i / 1440.0));
    }
    Write("1.txt", Lines(first));
    Write("2.txt", Lines(second));
    // Every line is about 5% of the bytes, so every line shows a new value.
    Recorder rec;
    rec.onPercent = [this, &rec](int) {
        if (rec.percentCalls == 4)
            stop_ = true;
    };
    settings_.CheckLogFiles = true;
    const ScanResult r = Scan(&rec);
    EXPECT_EQ(stores_->Connections.Count(), 4) << "the line in hand is still taken, no later one";
    for (const auto& e : rec.events)
        EXPECT_NE(e, "file file: 2.txt") << "no later file is opened";
    // Four lines read, then the check still runs on the four records.
    ASSERT_EQ(rec.events.size(), 2u + 4u + 6u);
    EXPECT_EQ(std::vector<std::string>(rec.events.end() - 6, rec.events.end()),
              (std::vector<std::string>{"file ", "percent 0", "phase Checking", "percent 38", "percent 62",
                                        "percent 75"}));
    EXPECT_EQ(r.LogFileList.size(), 2u);
}

TEST_F(ScanRunTest, TheRangeTakesTheWholeFinalDayAndLeavesMidnightAfterItToTheNext)
{
    settings_.InitialDate = Day(1998, 10, 10);
    settings_.FinalDate = Day(1998, 10, 20);
    Write("r.txt", Lines({
                       Conn("before", Day(1998, 10, 9) + 1439 / 1440.0),   // 23:59 the day before: out
                       Conn("first", Day(1998, 10, 10)),                   // 00:00 of the first day: in
                       Conn("last", Day(1998, 10, 20) + 1439 / 1440.0),    // in
                       Conn("midnight", Day(1998, 10, 21)),                // 00:00 after the final day: out
                       Conn("after", Day(1998, 10, 21) + 1 / 1440.0),      // 00:01 after: out
                   }));
    Scan();
    ASSERT_EQ(stores_->Connections.Count(), 2);
    std::vector<std::string> users;
    for (const auto& r : stores_->Connections)
        users.push_back(stores_->Names[r.UserIndex].Name);
    EXPECT_EQ(users, (std::vector<std::string>{"first", "last"}));
    // Ranges side by side take every connection once: midnight is the next one's.
    settings_.InitialDate = settings_.FinalDate + 1;
    settings_.FinalDate = settings_.InitialDate + 5;
    Scan();
    ASSERT_EQ(stores_->Connections.Count(), 2);
    EXPECT_EQ(stores_->Names[stores_->Connections[0].UserIndex].Name, "midnight");
    settings_.InitialDate = Day(1998, 10, 10);
    settings_.FinalDate = Day(1998, 10, 20);
    Scan();
    // Lines out of range leave no name behind.
    for (int i = 0; i < stores_->Names.Count(); ++i) {
        EXPECT_NE(stores_->Names[i].Name, "before");
        EXPECT_NE(stores_->Names[i].Name, "after");
    }

    settings_.InitialDate = Day(1998, 10, 21);
    settings_.FinalDate = Day(1998, 10, 19);
    Scan();
    EXPECT_EQ(stores_->Connections.Count(), 0) << "an initial date after the final accepts nothing";
    EXPECT_EQ(stores_->Names.Count(), 0);
}

TEST_F(ScanRunTest, RecognisedLinesThatCannotBeReadAreCountedWithTheirPlace)
{
    const std::string broken = "10/05/1998,10:20:00 AM,RemoteAccess,Information,None,20050,N/A,SRV1,"
                               "The user was active for 2 minutes.";
    std::string moved = Lines({Conn("ok", Day(1998, 10, 5))});
    moved.replace(moved.find(" bytes were sent"), 0, "x");
    const std::string current = "10/05/1998,10:20:00 AM,RemoteAccess,Information,None,20272,N/A,RAS1,"
                                "The user DOM\\x connected on port VPN1 on 10/5/1998 at 9:05 AM. "
                                "The user was active for 2 minutes 0 seconds.";
    // Lone CR and LF ends count as line ends for the number, as for the reading.
    Write("a.txt", "noise\r" + Lines({Conn("a", Day(1998, 10, 5))}) + "x\n" + broken + "\r\n" + moved + current +
                       "\r\n" + broken);
    Write("b.txt", Lines({Conn("b", Day(1998, 10, 6))}));
    Write("c.txt", std::string(3, '\n') + moved);
    for (ScanThreads threads : {ScanThreads::One, ScanThreads::Two}) {
        const ScanResult r = RunScan(settings_, *stores_, stop_, nullptr, threads);
        EXPECT_EQ(stores_->Connections.Count(), 2);
        ASSERT_EQ(r.Files.size(), 3u);
        EXPECT_EQ(r.Files[0].Name, "a.txt");
        EXPECT_EQ(r.Files[0].Unread, 3);
        EXPECT_EQ(r.Files[0].FirstUnread, 4);
        EXPECT_FALSE(r.Files[0].Records);
        EXPECT_EQ(r.Files[1].Unread, 0);
        EXPECT_EQ(r.Files[2].Name, "c.txt");
        EXPECT_EQ(r.Files[2].Unread, 1);
        EXPECT_EQ(r.Files[2].FirstUnread, 4);
        EXPECT_EQ(r.UnreadLines(), 4);
        EXPECT_EQ(r.EventsNotListed, (std::map<int, std::int64_t>{{20272, 1}}));
    }
    // Listed, the event is read (or counted as unread), no longer "not listed".
    settings_.NEvents = "20050;20272";
    EXPECT_TRUE(Scan().EventsNotListed.empty());
}

TEST_F(ScanRunTest, FiltersDropLinesWithoutATrace)
{
    loggen::Connection local = Conn("Carl", Day(1998, 10, 3));
    local.Domain.clear();
    loggen::Connection other = Conn("dora", Day(1998, 10, 3));
    other.Port = "COM2";
    Write("f.txt", Lines({Conn("Bob", Day(1998, 10, 3)), local, other}));
    settings_.ExcludedUsers = "alice, BOB";
    Scan();
    ASSERT_EQ(stores_->Connections.Count(), 2);
    EXPECT_EQ(stores_->Names[stores_->Connections[0].UserIndex].Name, "carl");
    settings_.ExcludedUsers.clear();
    settings_.ExcludedDomains = "local";
    settings_.ExcludedPorts = "com2";
    Scan();
    ASSERT_EQ(stores_->Connections.Count(), 1);
    EXPECT_EQ(stores_->Names[stores_->Connections[0].UserIndex].Name, "bob");
    for (int i = 0; i < stores_->Names.Count(); ++i)
        EXPECT_TRUE(stores_->Names[i].Name != "Local" && stores_->Names[i].Name != "COM2");
}

TEST_F(ScanRunTest, NamesAndRecordsTakeEveryValueOfTheLine)
{
    loggen::Connection c = Conn("Eve", Day(1998, 10, 7) + (13 * 60 + 5) / 1440.0, 4321);
    c.ActiveSeconds = 3723;
    Write("n.txt", Lines({c}));
    Scan();
    const Stores& s = *stores_;
    ASSERT_EQ(s.Connections.Count(), 1);
    ASSERT_EQ(s.Names.Count(), 5);
    const char* names[] = {"DOM", "eve", "SRV1", "COM1", "28800"};
    const int kinds[] = {KindDomain, KindUser, KindServer, KindPort, KindSpeed};
    const int parents[] = {0, 0, 0, 2, 3};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(s.Names[i].Name, names[i]);
        EXPECT_EQ(s.Names[i].Kind, kinds[i]);
        EXPECT_EQ(s.Names[i].Parent, parents[i]);
    }
    const ConnectionRecord& r = s.Connections[0];
    EXPECT_EQ(r.UserIndex, 1);
    EXPECT_EQ(r.SpeedIndex, 4);
    EXPECT_DOUBLE_EQ(r.DateTime, Day(1998, 10, 7) + (13 * 60 + 5) / 1440.0);
    EXPECT_EQ(r.ActiveTime, 3723);
    EXPECT_EQ(r.BytesSent, 4321);
    EXPECT_EQ(r.BytesReceived, 8642);
}

TEST_F(ScanRunTest, ThreeEqualLinesLeaveOneAndReportDuplicates)
{
    const auto c = Conn("x", Day(1998, 10, 4));
    Write("d.txt", Lines({c, c, c}));
    settings_.CheckLogFiles = true;
    const ScanResult r = Scan();
    ASSERT_EQ(stores_->Connections.Count(), 3);
    EXPECT_TRUE(stores_->Connections[0].Removed());
    EXPECT_TRUE(stores_->Connections[1].Removed());
    EXPECT_FALSE(stores_->Connections[2].Removed());
    EXPECT_EQ(ScanWarnings(r), std::vector<std::string>{"Duplicates is found!"});

    settings_.CheckLogFiles = false;
    EXPECT_TRUE(ScanWarnings(Scan()).empty()) << "without the check nothing is marked";
    EXPECT_EQ(Live(), 3);
}

TEST_F(ScanRunTest, LinesDifferingOnlyInServerPortOrSpeedAreNoDuplicates)
{
    const auto c = Conn("x", Day(1998, 10, 4));
    auto server = c, port = c, speed = c;
    server.Server = "SRV2";
    port.Port = "COM2";
    speed.Speed = "33600";
    Write("d.txt", Lines({c, server, port, speed}));
    settings_.CheckLogFiles = true;
    const ScanResult r = Scan();
    EXPECT_EQ(Live(), 4);
    EXPECT_FALSE(r.DuplicatesFound);
}

TEST_F(ScanRunTest, FilesAreFoundByFilterWithoutRegardToCaseAndReadInNameOrder)
{
    Write("b.txt", Lines({Conn("b", Day(1998, 10, 2))}));
    Write("A.TXT", Lines({Conn("a", Day(1998, 10, 3))}));
    Write(".c.Txt", Lines({Conn("c", Day(1998, 10, 1))}));  // hidden files count
    Write("d.log", Lines({Conn("d", Day(1998, 10, 1))}));
    ASSERT_TRUE(QDir(dir_.path()).mkdir("e.txt"));
    Recorder rec;
    const ScanResult r = Scan(&rec);
    EXPECT_EQ(r.LogFileList, (std::vector<QString>{".c.Txt", "A.TXT", "b.txt"}));
    std::vector<std::string> files;
    for (const auto& e : rec.events)
        if (e.rfind("file ", 0) == 0)
            files.push_back(e);
    EXPECT_EQ(files, (std::vector<std::string>{"file file: .c.txt", "file file: a.txt", "file file: b.txt"}));
    std::vector<std::string> users;
    for (const auto& rc : stores_->Connections)
        users.push_back(stores_->Names[rc.UserIndex].Name);
    EXPECT_EQ(users, (std::vector<std::string>{"c", "a", "b"}));
}

TEST_F(ScanRunTest, ProgressFollowsTheBytesReadWithHalvesToEven)
{
    // 400 bytes: three empty lines (2 bytes each) then one of 394.
    Write("p.txt", "\r\n\r\n\r\n" + std::string(392, 'x') + "\r\n");
    Recorder rec;
    settings_.CheckLogFiles = true;
    Scan(&rec);
    EXPECT_EQ(rec.events, (std::vector<std::string>{
                              "phase Processing", "file file: p.txt",
                              "percent 0 title",    // 0.5 rounds to 0
                              "percent 1 title",    // 1.0
                              "percent 2 title",    // 1.5 rounds to 2
                              "percent 100 title",  //
                              "file ",               // the check empties the file panel,
                              "percent 0",           // sets the bar to 0
                              "phase Checking",      // and shows its phase; no records, no more
                          }));
}

TEST_F(ScanRunTest, ProgressOfAGeneratedFolderIsThePerLineValueWheneverItChanges)
{
    loggen::GeneratorOptions o;
    o.Files = 3;
    o.ConnectionLines = 3000;
    o.OtherLines = 9000;
    const auto folder = loggen::GenerateLogFolder(dir_.path().toStdString(), o);
    std::vector<std::string> expected = {"phase Processing"};
    for (const std::string& e : LineByLineEvents(dir_.path(), folder.Files))
        expected.push_back(e);
    Recorder rec;
    Scan(&rec);
    EXPECT_EQ(rec.events, expected);
    EXPECT_EQ(rec.events.back(), "percent 100 title");
}

TEST_F(ScanRunTest, ProgressCountsTheBytesTakenAndSurvivesAGrownFileAndAnEmptyCount)
{
    Write("cr.txt", "a\rb\r");  // lone carriage returns: each line takes two bytes
    Write("grown.txt", "");
    Recorder rec;
    rec.onFile = [this](const std::string& text) {
        if (text == "file: grown.txt")
            Write("grown.txt", "z\r\n");  // grows after it was counted
    };
    Scan(&rec);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"phase Processing", "file file: cr.txt", "percent 50 title",
                                                    "percent 100 title", "file file: grown.txt",
                                                    "percent 175 title"}));

    // Every file counted empty: 100% from the first line on.
    QFile::remove(dir_.filePath("cr.txt"));
    Write("grown.txt", "");
    Recorder rec2;
    rec2.onFile = rec.onFile;
    Scan(&rec2);
    EXPECT_EQ(rec2.events, (std::vector<std::string>{"phase Processing", "file file: grown.txt", "percent 100 title"}));
}

TEST_F(ScanRunTest, NamesThatAreNotUtf8AreReadAndNamed)
{
    // Latin-1 names, as copied from an old share: read, shown as Latin-1.
    const std::string folder = QFile::encodeName(dir_.path()).toStdString() + "/";
    std::ofstream(folder + "m\xfcller.txt", std::ios::binary) << Lines({Conn("m", Day(1998, 10, 2))});
    Write("a.txt", Lines({Conn("a", Day(1998, 10, 2))}));
    ASSERT_EQ(::symlink("nowhere.txt", (folder + "d\xe9j\xe0.txt").c_str()), 0);
    const ScanResult r = Scan();
    EXPECT_EQ(stores_->Connections.Count(), 2);
    EXPECT_EQ(r.LogFileList, (std::vector<QString>{"a.txt", QString::fromLatin1("d\xe9j\xe0.txt"),
                                                   QString::fromLatin1("m\xfcller.txt")}));
    const std::vector<std::string> warnings = ScanWarnings(r);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(warnings[0].starts_with("d\xe9j\xe0.txt: it could not be read: ")) << warnings[0];
}

TEST_F(ScanRunTest, UnreadableAndVanishedFilesAreSkippedAndNamed)
{
    Write("a.txt", Lines({Conn("a", Day(1998, 10, 2))}));
    ASSERT_EQ(::symlink("nowhere.txt", QFile::encodeName(dir_.filePath("b.txt")).constData()), 0);
    Write("c.txt", Lines({Conn("c", Day(1998, 10, 2))}));
    Write("d.txt", Lines({Conn("d", Day(1998, 10, 2))}));
    Recorder rec;
    rec.onFile = [this](const std::string& text) {
        if (text == "file: a.txt")
            QFile::remove(dir_.filePath("c.txt"));  // gone after it was found
    };
    const ScanResult r = Scan(&rec);
    EXPECT_EQ(r.LogFileList.size(), 4u);
    EXPECT_EQ(r.UnreadableFiles, (std::vector<QString>{"b.txt", "c.txt"}));
    EXPECT_EQ(stores_->Connections.Count(), 2) << "the readable files are still read";
    const std::vector<std::string> warnings = ScanWarnings(r);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_TRUE(warnings[0].starts_with("b.txt: it could not be read: ")) << warnings[0];
    EXPECT_TRUE(warnings[1].starts_with("c.txt: it could not be read: ")) << warnings[1];
}

TEST_F(ScanRunTest, AFileWithoutReadPermissionIsNamed)
{
    const QString path = Write("locked.txt", Lines({Conn("a", Day(1998, 10, 2))}));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    if (::access(QFile::encodeName(path).constData(), R_OK) == 0)
        GTEST_SKIP() << "this user reads files without read permission";
    const ScanResult r = Scan();
    EXPECT_EQ(ScanWarnings(r), std::vector<std::string>{"1 log file could not be read: locked.txt"});
    EXPECT_EQ(stores_->Connections.Count(), 0);
}

TEST_F(ScanRunTest, AMissingFolderHasNoLogFiles)
{
    settings_.LogDir = dir_.filePath("not-there");
    settings_.CheckLogFiles = true;
    Recorder rec;
    const ScanResult r = Scan(&rec);
    EXPECT_TRUE(r.LogFileList.empty());
    EXPECT_EQ(ScanWarnings(r), std::vector<std::string>{"Folder has no log files"});
    EXPECT_EQ(rec.events, (std::vector<std::string>{"phase Processing", "percent 0", "phase Checking"}));
}

TEST_F(ScanRunTest, AScanEmptiesTheStoresFirst)
{
    Write("a.txt", Lines({Conn("a", Day(1998, 10, 2)), Conn("b", Day(1998, 10, 2))}));
    Scan();
    ASSERT_EQ(stores_->Connections.Count(), 2);
    QFile::remove(dir_.filePath("a.txt"));
    Write("z.txt", Lines({Conn("z", Day(1998, 10, 2))}));
    Scan();
    ASSERT_EQ(stores_->Connections.Count(), 1);
    EXPECT_EQ(stores_->Connections[0].UserIndex, 1) << "indices start again at 0";
    EXPECT_EQ(stores_->Names[1].Name, "z");
}

TEST_F(ScanRunTest, TablesGrowPastAMillionConnectionsAndSixtyFiveThousandNames)
{
    // The shortest line the parser takes, 1,000,004 times, every 16th with
    // a user of its own.
    const std::string head = "x,20050,S,The user u";
    const std::string tail =
        " connected on port P on 10/02/1998 at 01:00am The user was active for 1 seconds.  "
        "1 bytes were sent and 1 bytes were received. The port speed was 1.\r\n";
    const int lines = 1000004;
    {
        std::string text;
        for (int i = 0; i < lines; ++i)
            text += head + (i % 16 ? std::string() : std::to_string(i)) + tail;
        FILE* f = std::fopen(QFile::encodeName(dir_.filePath("many.txt")).constData(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    const ScanResult r = Scan();
    EXPECT_EQ(stores_->Connections.Count(), lines);
    EXPECT_EQ(r.SkippedForCapacity, 0);
    EXPECT_TRUE(ScanWarnings(r).empty());
    const int users = (lines + 15) / 16 + 1;
    EXPECT_EQ(stores_->Names.Count(), users + 4);
    EXPECT_EQ(stores_->Names[stores_->Connections[lines - 4].UserIndex].Name, "u" + std::to_string(lines - 4));
}

TEST_F(ScanRunTest, ALineTooLongToKeepIsPassedOverAndTheReadingGoesOn)
{
    const std::string line = loggen::ConnectionLineText(Conn("a", Day(1998, 10, 2)));
    // A connection line padded beyond the reader's limit.
    const std::string huge = line + std::string(LogReader::DefaultMaxLine, ' ');
    Write("long.txt", line + "\r\n" + huge + "\r\n" + line + "\r\n");
    Recorder rec;
    const ScanResult r = Scan(&rec);
    EXPECT_EQ(stores_->Connections.Count(), 2);
    EXPECT_EQ(r.OverlongLines, 1);
    EXPECT_EQ(rec.events.back(), "percent 100 title") << "its bytes still count";
    const std::vector<std::string> warnings = ScanWarnings(r);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(warnings[0].starts_with("long.txt: 1 line was ") && warnings[0].ends_with(" line 2).")) << warnings[0];
}

TEST(ScanWarnings, ComeInTheirOrder)
{
    ScanResult r;
    r.DuplicatesFound = true;
    r.SkippedForCapacity = 12;
    r.Files.resize(1);
    r.Files[0].Name = QString::fromUtf8("M\u00e4rz.txt");
    r.Files[0].Problems = {"it could not be read: permission denied"};
    EXPECT_EQ(ScanWarnings(r), (std::vector<std::string>{
                                   "Folder has no log files", "Duplicates is found!",
                                   "Tables are full: 12 connection lines were skipped.",
                                   "M\xE4rz.txt: it could not be read: permission denied."}));
    r.SkippedForCapacity = 1;
    r.OutOfMemory = true;
    EXPECT_EQ(ScanWarnings(r)[2], "Out of memory: 1 connection line was skipped.");
}

}  // namespace
}  // namespace vy
