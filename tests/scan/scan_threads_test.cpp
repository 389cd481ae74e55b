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
        EXPECT_EQ(one.Warnings,
                  (std::vector<std::string>{"Duplicates is found!", "1 log file could not be read: ras003b.txt"}));
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
