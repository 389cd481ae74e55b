// Passing over whole lines in one go: the bytes taken and the lines left
// for Next must be those of reading every line with Next; and a scan that
// passes over lines shows the same progress and stops at the same line.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include "loggen/log_generator.h"
#include "scan/log_reader.h"
#include "scan/scan_run.h"
#include "scan/scan_test_support.h"
#include "store/date_value.h"

namespace vy {
namespace {

// Random bytes rich in line ends of every kind.
std::string RandomText(std::mt19937& rng, std::size_t size, bool ctrlZ)
{
    const char pieces[] = {'a', 'b', ' ', '\r', '\n', '\r', 'x'};
    std::string text(size, ' ');
    for (char& c : text)
        c = pieces[rng() % sizeof pieces];
    if (ctrlZ && size > 0 && rng() % 2)
        text[rng() % size] = 26;
    return text;
}

class PassingTest : public ::testing::Test {
protected:
    QString Write(const std::string& bytes)
    {
        const QString path = dir_.filePath("p.txt");
        std::ofstream(QFile::encodeName(path).constData(), std::ios::binary) << bytes;
        return path;
    }
    QTemporaryDir dir_;
};

TEST_F(PassingTest, PassingLinesLeavesTheSameLinesAndCountsTheSameBytes)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 400; ++round) {
        const QString path = Write(RandomText(rng, rng() % 300, true));
        const std::size_t block = 1 + rng() % 24;
        // Every line with Next.
        std::vector<std::string> want;
        std::vector<std::int64_t> wantTaken;
        {
            LogReader reader(block, 1 << 20);
            ASSERT_TRUE(reader.Open(path));
            LogLineRead line;
            while (reader.Next(line)) {
                want.emplace_back(line.Text);
                wantTaken.push_back(reader.Consumed());
            }
        }
        // Whole lines of what is buffered passed now and then, at random
        // line ends; the passed lines split as the reader splits them.
        std::vector<std::string> got;
        std::vector<std::int64_t> taken;
        LogReader reader(block, 1 << 20);
        ASSERT_TRUE(reader.Open(path));
        LogLineRead line;
        for (int step = 0; step < 10000; ++step) {
            const std::string_view buffered = reader.Buffered();
            std::vector<std::size_t> ends;
            for (std::size_t i = 0; i < buffered.size(); ++i) {
                if (buffered[i] == '\r' && i + 1 < buffered.size() && buffered[i + 1] == '\n')
                    ++i;
                if (buffered[i] == '\r' || buffered[i] == '\n')
                    ends.push_back(i + 1);
            }
            if (!ends.empty() && rng() % 3 != 0) {
                const std::size_t n = ends[rng() % ends.size()];
                const std::string passed(buffered.substr(0, n));
                for (std::size_t at = 0; at < n;) {
                    const std::size_t end = passed.find_first_of("\r\n", at);
                    got.push_back(passed.substr(at, end - at));
                    at = NextLineStart(passed, at);
                    taken.push_back(reader.ConsumedAfter(at));
                }
                reader.Pass(n);
                continue;
            }
            if (!reader.Next(line))
                break;
            got.emplace_back(line.Text);
            taken.push_back(reader.Consumed());
        }
        EXPECT_EQ(got, want) << "block " << block;
        EXPECT_EQ(taken, wantTaken) << "block " << block;
    }
}

using namespace scantest;

class PassingScanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        settings_.LogDir = dir_.path();
        settings_.FileFilter = "*.txt";
        settings_.LogLanguage = "EN";
        settings_.NEvents = "20050";
        settings_.InitialDate = Day(1998, 10, 1);
        settings_.FinalDate = Day(1998, 10, 31);
    }
    void Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(QFile::encodeName(dir_.filePath(QString::fromStdString(name))).constData(), std::ios::binary)
            << bytes;
    }
    std::vector<std::string> PerLineEvents(const std::vector<std::string>& names)
    {
        std::vector<std::string> events = LineByLineEvents(dir_.path(), names);
        events.insert(events.begin(), "phase Processing");
        return events;
    }

    QTemporaryDir dir_;
    ScanSettings settings_;
    std::unique_ptr<Stores> stores_ = std::make_unique<Stores>();
    std::atomic<bool> stop_{false};
};

TEST_F(PassingScanTest, MixedLineEndsShowTheProgressOfEveryLine)
{
    // Connection lines among other lines ending in CR LF, a lone CR, a lone
    // LF, and empty lines between; the second file longer than the reader's block
    // and cut by a Ctrl-Z. Few bytes in all, so the value changes often.
    std::mt19937 rng(8);
    const char* ends[] = {"\r\n", "\r", "\r\r\n", "\n\r\n", "\n", "\n\r"};
    int connections[2] = {0, 0};
    for (int file = 0; file < 2; ++file) {
        std::string bytes;
        const int lines = file == 0 ? 300 : 4000;
        for (int i = 0; i < lines; ++i) {
            if (rng() % 4 == 0) {
                // Some users hold a tab, which a quick test takes for a line end.
                const std::string user = "u" + std::to_string(i % 7) + (i % 3 == 0 ? "\t" : "");
                bytes += loggen::ConnectionLineText(Conn(user, Day(1998, 10, 2) + i / 1440.0));
                ++connections[file];
            } else {
                std::string filler(rng() % 200, 'z');
                for (char& c : filler)
                    c = rng() % 16 == 0 ? "\t\v\f\x01"[rng() % 4] : c;
                bytes += "10/02/1998,1:00:00 AM,Srv,Warning,None,2013,N/A,S,The D: disk is at or near capacity." + filler;
            }
            bytes += ends[rng() % 6];
        }
        if (file == 1) {
            const int tail = 50;
            for (int i = 0; i < tail; ++i)
                bytes += "\x1A" + loggen::ConnectionLineText(Conn("late", Day(1998, 10, 3))) + "\r\n";
        }
        Write(file == 0 ? "a.txt" : "b.txt", bytes);
    }
    Recorder rec;
    const ScanResult r = RunScan(settings_, *stores_, stop_, &rec);
    ASSERT_EQ(r.LogFileList.size(), 2u);
    std::vector<std::string> expected = PerLineEvents({"a.txt", "b.txt"});
    EXPECT_EQ(rec.events, expected);
    EXPECT_GT(expected.size(), 60u);
    // The text after Ctrl-Z is not read, but counts as done.
    EXPECT_EQ(rec.events.back(), "percent 100 title");
    EXPECT_EQ(stores_->Connections.Count(), connections[0] + connections[1]);
}

TEST_F(PassingScanTest, StopDuringOtherLinesTakesNoLaterConnection)
{
    // Ten connections, many other lines, ten more connections: Stop comes
    // with a percentage shown among the other lines.
    std::string bytes;
    for (int i = 0; i < 10; ++i)
        bytes += loggen::ConnectionLineText(Conn("a" + std::to_string(i), Day(1998, 10, 5))) + "\r\n";
    for (int i = 0; i < 2000; ++i)
        bytes += "10/02/1998,1:00:00 AM,EventLog,Information,None,6005,N/A,SRV12,The Event log service was started.\r\n";
    for (int i = 0; i < 10; ++i)
        bytes += loggen::ConnectionLineText(Conn("b" + std::to_string(i), Day(1998, 10, 6))) + "\r\n";
    Write("s.txt", bytes);
    Write("t.txt", loggen::ConnectionLineText(Conn("c", Day(1998, 10, 6))) + "\r\n");
    const std::vector<std::string> all = PerLineEvents({"s.txt", "t.txt"});
    Recorder rec;
    rec.onPercent = [this](int percent) {
        if (percent == 40)
            stop_ = true;
    };
    RunScan(settings_, *stores_, stop_, &rec);
    EXPECT_EQ(stores_->Connections.Count(), 10);
    // The values up to 40, and none after it.
    const auto at40 = std::find(all.begin(), all.end(), "percent 40 title");
    ASSERT_NE(at40, all.end());
    EXPECT_EQ(rec.events, std::vector<std::string>(all.begin(), at40 + 1));
}

}  // namespace
}  // namespace vy
