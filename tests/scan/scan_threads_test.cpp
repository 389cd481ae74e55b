// A scan that reads on a second thread gives what a scan on one thread
// gives: the same records, names, warnings and observer calls, also when
// stopped part way.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include "loggen/log_generator.h"
#include "scan/scan_pipeline.h"
#include "scan/scan_run.h"
#include "scan/scan_test_support.h"
#include "store/date_value.h"

namespace vy {
namespace {

using namespace scantest;

Outcome ScanOnce(const ScanSettings& settings, ScanThreads threads, int stopAtEvent = -1)
{
    auto stores = std::make_unique<Stores>();
    std::atomic<bool> stop{false};
    Recorder rec;
    rec.onPercent = [&](int) {
        if (stopAtEvent >= 0 && static_cast<int>(rec.events.size()) >= stopAtEvent)
            stop = true;
    };
    const ScanResult r = RunScan(settings, *stores, stop, &rec, threads);
    Outcome o = Describe(*stores, r);
    o.Events = rec.events;
    return o;
}

class ScanThreadsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        loggen::GeneratorOptions o;
        o.Seed = 31;
        o.Files = 5;
        o.ConnectionLines = 6000;
        o.OtherLines = 20000;
        o.DuplicateLines = 40;
        o.Lang = loggen::Language::Mixed;
        o.Users = 50;
        folder_ = loggen::GenerateLogFolder(dir_.path().toStdString(), o);
        // A file the reader cannot open, between the others.
        ASSERT_TRUE(QFile::link(dir_.filePath("nowhere"), dir_.filePath("ras003b.txt")));
        settings_.LogDir = dir_.path();
        settings_.FileFilter = "*.txt";
        settings_.LogLanguage = "EN";
        settings_.NEvents = "20050;20048";
        settings_.ExcludedUsers = "user3";
        settings_.CheckLogFiles = true;
        settings_.InitialDate = *EncodeDate(1998, 10, 3);
        settings_.FinalDate = *EncodeDate(1998, 10, 28);
    }
    QTemporaryDir dir_;
    loggen::GeneratedFolder folder_;
    ScanSettings settings_;
};

// What a reader of any form counts reaches the scan's thread in its place
// among the lines, both ways.
TEST(ScanPipeline, CountsOfEveryReaderArriveInOrderBothWays)
{
    class Steps : public ReadSteps {
    public:
        void FileBegin(std::size_t i) override { Log("file " + std::to_string(i)); }
        void FileUnreadable(std::size_t i) override { Log("unreadable " + std::to_string(i)); }
        void FileForm(std::size_t i, std::size_t f) override { Log("form " + std::to_string(i) + ":" + std::to_string(f)); }
        void Problem(std::size_t i, std::string_view p) override { Log(std::to_string(i) + ": " + std::string(p)); }
        void Percent(int p, bool) override { Log("percent " + std::to_string(p)); }
        void Connection(std::string_view line, std::int64_t end) override
        {
            Log(std::string(line) + " " + std::to_string(end));
        }
        void Parsed(const ConnectionLine& c) override
        {
            Log(std::to_string(c.DateTime) + "|" + std::string(c.Domain) + "|" + c.User + "|" + std::string(c.Server) +
                "|" + std::string(c.Port) + "|" + std::string(c.Speed) + "|" + std::to_string(c.ActiveTime) + "|" +
                std::to_string(c.BytesSent) + "|" + std::to_string(c.BytesReceived));
        }
        void Overlong(std::size_t f, std::int64_t l) override { Log("overlong " + std::to_string(f) + ":" + std::to_string(l)); }
        void UnreadLine(std::size_t f, std::int64_t l) override { Log("line " + std::to_string(f) + ":" + std::to_string(l)); }
        void UnreadRecord(std::size_t f, std::int64_t r) override { Log("record " + std::to_string(f) + ":" + std::to_string(r)); }
        void EventNotListed(int id) override { Log("not listed " + std::to_string(id)); }
        bool Stopped() override { return false; }
        void Log(const std::string& e) { events.push_back(e); }
        std::vector<std::string> events;
    };
    const ReadFunction read = [](ReadSink& sink) {
        sink.FileBegin(0);
        sink.FileForm(0, 2);
        sink.Percent(10, true);
        sink.UnreadLine(0, 3);
        sink.Connection("a", 40);
        sink.EventNotListed(20251);
        ConnectionLine c;
        c.DateTime = 36000.5;
        c.Domain = "CORP";
        c.User = "ann";
        c.Server = "GATE";
        c.Port = "VPN1";
        c.Speed = "0";
        c.ActiveTime = 61;
        c.BytesSent = 5000000000;
        c.BytesReceived = 7;
        sink.Parsed(c);
        sink.FileBegin(1);
        sink.Problem(1, "it is damaged");
        sink.Overlong(1, 9);
        sink.UnreadRecord(1, 17);
        sink.Percent(100, false);
        // More short connections than a batch holds items.
        c.Domain = "D";
        for (int i = 0; i < 9000; ++i) {
            c.User = std::to_string(i);
            sink.Parsed(c);
        }
    };
    Steps here, ahead;
    read(here);
    ReadAhead(read, ahead);
    EXPECT_EQ(ahead.events, here.events);
    ASSERT_EQ(here.events.size(), 12u + 9000u);
    EXPECT_EQ(here.events.back(), std::to_string(36000.5) + "|D|8999|GATE|VPN1|0|61|5000000000|7");
    here.events.resize(12);
    EXPECT_EQ(here.events, (std::vector<std::string>{"file 0", "form 0:2", "percent 10", "line 0:3", "a 40", "not listed 20251",
                                                     std::to_string(36000.5) + "|CORP|ann|GATE|VPN1|0|61|5000000000|7",
                                                     "file 1", "1: it is damaged", "overlong 1:9", "record 1:17",
                                                     "percent 100"}));
}

TEST_F(ScanThreadsTest, BothWaysGiveTheSameScan)
{
    for (const char* lang : {"EN", "DE"}) {
        settings_.LogLanguage = lang;
        const Outcome one = ScanOnce(settings_, ScanThreads::One);
        const Outcome two = ScanOnce(settings_, ScanThreads::Two);
        EXPECT_GT(one.Records.size(), 1000u) << lang;
        EXPECT_GT(one.Events.size(), 100u);
        EXPECT_EQ(two.Events, one.Events) << lang;
        EXPECT_EQ(two.Records, one.Records) << lang;
        EXPECT_EQ(two.Names, one.Names) << lang;
        EXPECT_EQ(two.Warnings, one.Warnings) << lang;
        ASSERT_EQ(one.Warnings.size(), 2u);
        EXPECT_EQ(one.Warnings[0], "Duplicates is found!");
        EXPECT_TRUE(one.Warnings[1].starts_with("ras003b.txt: it could not be read: ")) << one.Warnings[1];
    }
}

TEST_F(ScanThreadsTest, StoppedAtTheSameShownValueBothWaysTakeTheSameLines)
{
    const Outcome whole = ScanOnce(settings_, ScanThreads::One);
    const auto checking = std::find(whole.Events.begin(), whole.Events.end(), "phase Checking");
    const int reading = static_cast<int>(checking - whole.Events.begin());
    ASSERT_GT(reading, 60);
    for (int stopAt : {4, reading / 3, 2 * reading / 3}) {
        const Outcome one = ScanOnce(settings_, ScanThreads::One, stopAt);
        const Outcome two = ScanOnce(settings_, ScanThreads::Two, stopAt);
        EXPECT_EQ(two.Events, one.Events) << stopAt;
        EXPECT_EQ(two.Records, one.Records) << stopAt;
        EXPECT_EQ(two.Names, one.Names) << stopAt;
        EXPECT_LT(one.Records.size(), whole.Records.size()) << "the stop took effect";
        if (stopAt > 4) {
            EXPECT_GT(one.Records.size(), 0u);
        }
    }
}

// A file big enough to be read in pieces by two threads, with a line that
// cannot be read far into it, and the same with an end-of-file mark in a
// piece of either thread: the same scan both ways, also when stopped.
TEST_F(ScanThreadsTest, ABigFileReadInPiecesGivesTheSameScan)
{
    QTemporaryDir big;
    ASSERT_TRUE(big.isValid());
    loggen::GeneratorOptions o;
    o.Seed = 7;
    o.ConnectionLines = 110000;
    o.OtherLines = 80000;
    o.Users = 300;
    loggen::GenerateLogFolder(big.path().toStdString(), o);
    QFile::rename(big.filePath("ras001.txt"), big.filePath("big.txt"));
    QFile file(big.filePath("big.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::string text = file.readAll().toStdString();
    file.close();
    ASSERT_GT(text.size(), std::size_t{25} << 20);  // three pieces
    const std::size_t late = text.find(" bytes were sent", text.size() * 3 / 4);
    text.insert(late, "x");
    WriteFile(QDir(big.path()), "a.txt", text.substr(0, text.find('\n', 20000) + 1));
    settings_.LogDir = big.path();
    settings_.ExcludedUsers.clear();
    settings_.InitialDate = Day(1998, 10, 1);
    settings_.FinalDate = Day(1998, 10, 31);
    for (std::size_t mark : {std::string::npos, text.size() / 4, text.size() / 2, text.size() * 7 / 8}) {
        std::string marked = text;
        if (mark != std::string::npos)
            marked.insert(mark, "\x1A tail");
        WriteFile(QDir(big.path()), "big.txt", marked);
        const Outcome whole = ScanOnce(settings_, ScanThreads::One);
        const Outcome two = ScanOnce(settings_, ScanThreads::Two);
        EXPECT_EQ(two.Events, whole.Events) << mark;
        EXPECT_EQ(two.Records, whole.Records) << mark;
        EXPECT_EQ(two.Files, whole.Files) << mark;
        EXPECT_EQ(two.Warnings, whole.Warnings) << mark;
        EXPECT_GT(whole.Records.size(), 10000u);
        EXPECT_NE(whole.Files[1].find(mark < late ? " 0 0" : " 1 "), std::string::npos) << whole.Files[1];
        const auto checking = std::find(whole.Events.begin(), whole.Events.end(), "phase Checking");
        const int reading = static_cast<int>(checking - whole.Events.begin());
        for (int stopAt : {reading / 3, reading * 2 / 3, reading - 3}) {
            const Outcome one = ScanOnce(settings_, ScanThreads::One, stopAt);
            const Outcome two = ScanOnce(settings_, ScanThreads::Two, stopAt);
            EXPECT_EQ(two.Events, one.Events) << mark << " " << stopAt;
            EXPECT_EQ(two.Records, one.Records) << mark << " " << stopAt;
            EXPECT_EQ(two.Files, one.Files) << mark << " " << stopAt;
            EXPECT_EQ(two.Warnings, one.Warnings) << mark << " " << stopAt;
            EXPECT_LT(one.Records.size(), whole.Records.size()) << "the stop took effect";
        }
    }
}

TEST_F(ScanThreadsTest, AnErrorWhileStoringEndsTheReadingThreadAndComesOut)
{
    // The observer fails part way: the scan gives up with that error, and
    // the reading thread has been ended (else the program would abort).
    class Failing : public ScanObserver {
    public:
        void PercentDone(int percent, bool) override
        {
            if (percent == 30)
                throw std::runtime_error("window gone");
        }
    } failing;
    auto stores = std::make_unique<Stores>();
    std::atomic<bool> stop{false};
    EXPECT_THROW(RunScan(settings_, *stores, stop, &failing, ScanThreads::Two), std::runtime_error);
    EXPECT_GT(stores->Connections.Count(), 0);
    // The next scan runs as usual.
    const Outcome again = ScanOnce(settings_, ScanThreads::Two);
    EXPECT_EQ(again.Records, ScanOnce(settings_, ScanThreads::One).Records);
}

}  // namespace
}  // namespace vy
