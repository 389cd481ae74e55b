#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <libevtx.h>

#include "loggen/evtx_writer.h"
#include "loggen/log_generator.h"
#include "scan/evtx_damage_sentences.h"
#include "scan/evtx_reader.h"
#include "scan/scan_run.h"
#include "scan/scan_test_support.h"

namespace vy {
namespace {

using namespace scantest;

std::string Slurp(const QString& path)
{
    std::ifstream in(QFile::encodeName(path).constData(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every record kept, as its values: the same connection gives the same text
// whatever form it came in.
std::vector<std::string> Values(const Stores& s, bool speedAside = false)
{
    std::vector<std::string> out;
    for (const ConnectionRecord& r : s.Connections) {
        std::string names = r.Removed() ? "removed " : "";
        // Speed, port, server, domain.
        for (int i = r.SpeedIndex, level = 0; level < 4 && !r.Removed(); i = s.Names[i].Parent, ++level)
            names += (speedAside && level == 0 ? std::string("?") : s.Names[i].Name) + "/";
        out.push_back(names + (r.Removed() ? "" : s.Names[r.UserIndex].Name) + " " + std::to_string(r.DateTime) + " " +
                      std::to_string(r.ActiveTime) + " " + std::to_string(r.BytesSent) + " " +
                      std::to_string(r.BytesReceived));
    }
    return out;
}

class EvtxScanTest : public ::testing::Test {
protected:
    ScanResult Generate(loggen::MessageForm form, const std::string& eventId, const std::string& events,
                        ScanThreads threads = ScanThreads::Two)
    {
        QTemporaryDir dir;
        loggen::GeneratorOptions o;
        o.Seed = 31;
        o.Files = 3;
        o.ConnectionLines = 1500;
        o.OtherLines = 6000;
        o.DuplicateLines = 7;
        o.Form = form;
        o.EventId = eventId;
        loggen::GenerateLogFolder(dir.path().toStdString(), o);
        ScanSettings s;
        s.LogDir = dir.path();
        s.FileFilter = "*.*";
        s.LogLanguage = "EN";
        s.NEvents = events;
        s.InitialDate = Day(1998, 10, 1);
        s.FinalDate = Day(1998, 10, 20);  // some connections fall outside
        s.ExcludedUsers = "alice";
        s.CheckLogFiles = true;
        return RunScan(s, *stores_, stop_, nullptr, threads);
    }

    std::unique_ptr<Stores> stores_ = std::make_unique<Stores>();
    std::atomic<bool> stop_{false};
};

TEST_F(EvtxScanTest, TheSameConnectionsGiveTheSameRecordsAsClassicText)
{
    Generate(loggen::MessageForm::Classic, "20050", "20050");
    const auto classic = Values(*stores_);
    const auto classicSpeedAside = Values(*stores_, true);
    ASSERT_GT(classic.size(), 500u);

    const ScanResult with = Generate(loggen::MessageForm::Evtx, "20251", "20251");
    EXPECT_EQ(Values(*stores_), classic);
    ASSERT_EQ(with.Files.size(), 3u);
    for (const FileSummary& f : with.Files) {
        EXPECT_TRUE(f.Problems.empty()) << f.Problems.front();
        EXPECT_EQ(f.Unread, 0);
        EXPECT_GT(f.Connections, 0);
    }
    EXPECT_TRUE(with.DuplicatesFound);

    Generate(loggen::MessageForm::Evtx, "20272", "20272");
    EXPECT_EQ(Values(*stores_, true), classicSpeedAside);
    for (const ConnectionRecord& r : stores_->Connections)
        ASSERT_TRUE(r.Removed() || stores_->Names[r.SpeedIndex].Name == "0");

    // Both in turn, one thread or three: the same store.
    Generate(loggen::MessageForm::Evtx, "20050", "20251;20272", ScanThreads::One);
    const auto one = Values(*stores_);
    EXPECT_EQ(Values(*stores_, true), classicSpeedAside);
    Generate(loggen::MessageForm::Evtx, "20050", "20251;20272");
    EXPECT_EQ(Values(*stores_), one);
}

TEST_F(EvtxScanTest, EventsNotInTheListAreCountedPerId)
{
    const ScanResult result = Generate(loggen::MessageForm::Evtx, "20050", "20050;20251");
    std::int64_t notListed = 0;
    for (const FileSummary& f : result.Files) {
        EXPECT_EQ(f.NotListed.count(20251), 0u);
        notListed += f.NotListed.count(20272) ? f.NotListed.at(20272) : 0;
    }
    // Half the connections were written as 20272, and none of them is kept.
    EXPECT_GT(notListed, 700);
    EXPECT_LT(notListed, 800);
    EXPECT_EQ(result.EventsNotListed, (std::map<int, std::int64_t>{{20272, notListed}}));
    for (const ConnectionRecord& r : stores_->Connections)
        ASSERT_TRUE(r.Removed() || stores_->Names[r.SpeedIndex].Name != "0");
}

// Random texts of every kind of character, the empty one among them.
std::u16string RandomText(std::mt19937& rng)
{
    std::u16string s;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
        switch (rng() % 4) {
        case 0: s.push_back(static_cast<char16_t>('a' + rng() % 26)); break;
        case 1: s.push_back(static_cast<char16_t>(0xA0 + rng() % 0x60)); break;
        case 2: s.push_back(static_cast<char16_t>(0x400 + rng() % 0x1000)); break;
        default: s.push_back(u"\\ <>&\"'"[rng() % 7]); break;
        }
    }
    return s;
}

std::u16string LibraryText(int (*size)(libevtx_record_t*, int, size_t*, libevtx_error_t**),
                           int (*get)(libevtx_record_t*, int, uint16_t*, size_t, libevtx_error_t**),
                           libevtx_record_t* record, int index)
{
    std::size_t n = 0;
    if (size(record, index, &n, nullptr) != 1)
        return u"<none>";
    std::vector<std::uint16_t> units(n + 1, 0);
    if (n > 0 && get(record, index, units.data(), n, nullptr) != 1)
        return u"<failed>";
    return std::u16string(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(n > 0 ? n - 1 : 0));
}

TEST(EvtxWriter, LibevtxReadsBackEveryStringWritten)
{
    std::mt19937 rng(5);
    loggen::EvtxWriter writer;
    std::vector<loggen::EvtxEvent> events;
    for (int i = 0; i < 3000; ++i) {
        loggen::EvtxEvent e;
        e.Provider = i % 3 == 0 ? "RemoteAccess" : "Source " + std::to_string(i % 7);
        e.EventId = static_cast<int>(rng() % 65536);
        e.Qualifiers = static_cast<int>(rng() % 65536);
        e.Second = 3'000'000'000LL + i;
        e.Computer = "RAS" + std::to_string(i % 5);
        for (int k = static_cast<int>(rng() % 16); k > 0; --k)
            e.Data.push_back(RandomText(rng));
        writer.Add(e);
        events.push_back(e);
    }
    QTemporaryDir dir;
    const QString path = WriteFile(dir.path(), "w.evtx", writer.Finish());

    libevtx_file_t* file = nullptr;
    ASSERT_EQ(libevtx_file_initialize(&file, nullptr), 1);
    ASSERT_EQ(libevtx_file_open(file, QFile::encodeName(path).constData(), libevtx_get_access_flags_read(), nullptr), 1);
    int n = 0;
    libevtx_file_get_number_of_records(file, &n, nullptr);
    ASSERT_EQ(n, static_cast<int>(events.size()));
    for (int i = 0; i < n; ++i) {
        libevtx_record_t* record = nullptr;
        ASSERT_EQ(libevtx_file_get_record_by_index(file, i, &record, nullptr), 1) << i;
        const loggen::EvtxEvent& e = events[static_cast<std::size_t>(i)];
        std::uint32_t id = 0, qualifiers = 0;
        std::uint64_t number = 0;
        libevtx_record_get_event_identifier(record, &id, nullptr);
        libevtx_record_get_event_identifier_qualifiers(record, &qualifiers, nullptr);
        libevtx_record_get_identifier(record, &number, nullptr);
        EXPECT_EQ(id, static_cast<std::uint32_t>(e.EventId));
        EXPECT_EQ(qualifiers, static_cast<std::uint32_t>(e.Qualifiers));
        EXPECT_EQ(number, static_cast<std::uint64_t>(i + 1));
        char text[256] = {};
        libevtx_record_get_utf8_source_name(record, reinterpret_cast<std::uint8_t*>(text), sizeof text, nullptr);
        EXPECT_EQ(std::string(text), e.Provider);
        libevtx_record_get_utf8_computer_name(record, reinterpret_cast<std::uint8_t*>(text), sizeof text, nullptr);
        EXPECT_EQ(std::string(text), e.Computer);
        int strings = 0;
        libevtx_record_get_number_of_strings(record, &strings, nullptr);
        ASSERT_EQ(strings, static_cast<int>(e.Data.size())) << i;
        for (int k = 0; k < strings; ++k)
            ASSERT_EQ(LibraryText(libevtx_record_get_utf16_string_size, libevtx_record_get_utf16_string, record, k),
                      e.Data[static_cast<std::size_t>(k)])
                << i << " " << k;
        libevtx_record_free(&record, nullptr);
    }
    libevtx_file_close(file, nullptr);
    libevtx_file_free(&file, nullptr);
}

TEST(EvtxReader, RealFilesAreReadWholeWithoutAConnection)
{
    const QDir data(QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR")) + "/tests/data/evtx");
    const EventList events("20251;20272;20050");
    struct Expected {
        const char* Name;
        std::int64_t Records, Recovered;
    };
    // The numbers of the folder's README. Debian's libevtx offers the
    // recovered records of the dirty file but gives none of them: each is
    // then counted as unread.
    for (const Expected& e : {Expected{"system.evtx", 1601, 0}, Expected{"security.evtx", 2261, 30},
                              Expected{"dns_log_malformed.evtx", 5, 0}}) {
        const QString path = data.filePath(e.Name);
        const std::filesystem::path native(QFile::encodeName(path).toStdString());
        std::int64_t told = 0;  // told part by part up to the file's end
        const EvtxFileRead read = ReadEvtxFile(native, events, EvtxReading{[&](EvtxFileRead&, std::int64_t bytes) {
            EXPECT_GE(bytes, told);
            told = bytes;
            return true;
        }, 1});
        EXPECT_EQ(told, QFileInfo(path).size()) << e.Name;
        EXPECT_TRUE(read.Counts.Opened) << e.Name;
        EXPECT_TRUE(read.Connections.empty()) << e.Name;
        EXPECT_EQ(read.Counts.Records + read.Counts.RecoveredUnread, e.Records + e.Recovered) << e.Name;
        EXPECT_EQ(read.Counts.Recovered, e.Recovered) << e.Name;
        EXPECT_EQ(EvtxDamageSentences(read.Counts), std::vector<std::string>{}) << e.Name;
        EXPECT_EQ(read.Counts.Unreadable, 0) << e.Name;
        EXPECT_TRUE(read.Counts.NotListed.empty()) << e.Name;
        // The same from memory; only the first chunk when its part says stop.
        EXPECT_EQ(ReadEvtxBytes(Slurp(path), events).Counts.Records, read.Counts.Records) << e.Name;
        const auto stop = [](EvtxFileRead&, std::int64_t) { return false; };
        EXPECT_EQ(ReadEvtxBytes(Slurp(path), events, EvtxReading{stop, 1}).Counts.Records < read.Counts.Records,
                  QFileInfo(path).size() > 4096 + 65536)
            << e.Name;
    }
}

constexpr std::size_t kChunk = 65536;
std::size_t ChunkAt(std::size_t c) { return 4096 + c * kChunk; }
std::size_t Le32At(const std::string& s, std::size_t at)
{
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
           static_cast<unsigned char>(s[at + 2]) << 16 | static_cast<std::size_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}
// The k-th record of chunk c, from 0.
std::size_t RecordAt(const std::string& s, std::size_t c, int k)
{
    std::size_t at = ChunkAt(c) + 512;
    for (int i = 0; i < k; ++i)
        at += Le32At(s, at + 4);
    return at;
}

// A value of binary XML holds a template instance of its own; with its
// count of values far past the chunk, the chunk is not given to libevtx
// (which read past it) when the fast reader hands it back.
TEST(EvtxReader, ANestedValueCountPastTheChunkIsNotGivenToLibevtx)
{
    std::string s = Slurp(QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR")) + "/tests/data/evtx/system.evtx");
    const std::size_t nested = s.find(std::string("\x0F\x01\x01\x00\x0C", 5), RecordAt(s, 0, 0) + 25);
    ASSERT_LT(nested, RecordAt(s, 0, 1));
    std::size_t count = nested + 14;
    if (Le32At(s, nested + 10) == count - ChunkAt(0))  // the definition follows
        count += 24 + Le32At(s, count + 20);
    s.replace(count, 4, std::string("\x10\0\0\x40", 4));
    s[ChunkAt(0) + Le32At(s, ChunkAt(0) + 44) + 24] = '\xFF';  // the last record's binary XML broken
    loggen::EvtxWriter::SealChunk(s, ChunkAt(0));
    const EvtxFileRead read = ReadEvtxBytes(s, EventList("20251;20272"));
    EXPECT_FALSE(EvtxDamageSentences(read.Counts).empty());
    EXPECT_EQ(read.Counts.Records, ReadEvtxBytes(s.substr(0, 4096) + s.substr(ChunkAt(1)), EventList("20251;20272")).Counts.Records);
}

TEST(EvtxReader, DamagedFilesKeepOrCountEveryConnectionAndNameTheFile)
{
    // Connection events only: every record counted is a connection counted.
    QTemporaryDir dir;
    loggen::GeneratorOptions o;
    o.Seed = 3;
    o.ConnectionLines = 1000;
    o.OtherLines = 0;
    o.Form = loggen::MessageForm::Evtx;
    o.EventId = "20251";
    const auto folder = loggen::GenerateLogFolder(dir.path().toStdString(), o);
    const std::string whole = Slurp(QDir(dir.path()).filePath(QString::fromStdString(folder.Files[0])));
    const EventList events("20251");
    const auto written = static_cast<std::int64_t>(folder.ConnectionLines);
    const EvtxFileRead intact = ReadEvtxBytes(whole, events);
    ASSERT_EQ(static_cast<std::int64_t>(intact.Connections.size()), written);
    const std::size_t chunks = (whole.size() - 4096) / kChunk;
    ASSERT_GE(chunks, 6u);
    auto fill = [](std::string& s, std::size_t at, std::size_t n, auto byte) {
        for (std::size_t i = 0; i < n; ++i)
            s[at + i] = static_cast<char>(byte(i));
    };
    auto zero = [](std::size_t) { return 0; };
    auto garbage = [](std::size_t i) { return 0xA5 ^ (i * 7); };
    const std::string provider("R\0e\0m\0o\0t\0e\0A\0c\0c\0e\0s\0s\0", 24);
    struct Damage {
        const char* What;
        std::function<void(std::string&)> Do;
        bool Harmless = false;  // loses and doubts nothing
    };
    const Damage table[] = {
        {"cut at a chunk boundary", [](std::string& s) { s.resize(ChunkAt(3)); }},
        {"cut within a chunk", [](std::string& s) { s.resize(ChunkAt(3) + 30000); }},
        {"cut after the file header", [](std::string& s) { s.resize(ChunkAt(0)); }},
        {"a zeroed chunk", [&](std::string& s) { fill(s, ChunkAt(2), kChunk, zero); }},
        {"the first chunk zeroed", [&](std::string& s) { fill(s, ChunkAt(0), kChunk, zero); }},
        {"the last chunk zeroed", [&](std::string& s) { fill(s, ChunkAt(chunks - 1), kChunk, zero); }},
        {"a garbage chunk", [&](std::string& s) { fill(s, ChunkAt(3), kChunk, garbage); }},
        {"a chunk header overwritten", [&](std::string& s) { fill(s, ChunkAt(2), 120, garbage); }},
        {"a chunk written twice", [](std::string& s) { s.insert(ChunkAt(2), s.substr(ChunkAt(1), kChunk)); }},
        {"a record copy in a chunk's free space",
         [](std::string& s) {
             // In the last chunk, which has room.
             const std::size_t last = (s.size() - 4096) / kChunk - 1, second = RecordAt(s, last, 1);
             s.replace(ChunkAt(last) + Le32At(s, ChunkAt(last) + 48), Le32At(s, second + 4), s.substr(second, Le32At(s, second + 4)));
         }},
        {"damaged binary XML in a chunk's last record, checksums made anew",
         [](std::string& s) {
             s[ChunkAt(2) + Le32At(s, ChunkAt(2) + 44) + 24] = '\xFF';
             loggen::EvtxWriter::SealChunk(s, ChunkAt(2));
         }},
        {"a flipped byte in a record number, checksums made anew",
         [](std::string& s) {
             s[RecordAt(s, 1, 10) + 9] ^= 1;
             loggen::EvtxWriter::SealChunk(s, ChunkAt(1));
         }},
        {"a record's count of values far past its chunk, checksums made anew",
         [](std::string& s) {
             s.replace(RecordAt(s, 2, 10) + 38, 4, std::string("\x10\0\0\x40", 4));
             loggen::EvtxWriter::SealChunk(s, ChunkAt(2));
         }},
        {"damaged binary XML, and a record's mark in a chunk's last bytes, checksums made anew",
         [](std::string& s) {
             s[ChunkAt(2) + Le32At(s, ChunkAt(2) + 44) + 24] = '\xFF';
             s.replace(ChunkAt(3) - 4, 4, std::string("**\0\0", 4));
             loggen::EvtxWriter::SealChunk(s, ChunkAt(2));
         }},
        {"a flipped byte in the provider's name", [&](std::string& s) { s[s.find(provider, ChunkAt(4)) + 14] ^= 4; }},
        {"flipped bytes amid a chunk's records", [](std::string& s) { s[ChunkAt(3) + 3000] ^= 0x5A, s[ChunkAt(3) + 3001] ^= 0x5A; }},
        {"a 48-byte chunk stub at the end", [](std::string& s) { s += std::string("ElfChnk\0", 8) + std::string(40, '\0'); }, true},
    };
    for (const Damage& d : table) {
        std::string bytes = whole;
        d.Do(bytes);
        const EvtxFileRead read = ReadEvtxBytes(bytes, events);
        std::int64_t doubted = 0;
        for (const auto& chunk : read.Counts.DamagedChunks)
            doubted += chunk.OtherRecords;
        EXPECT_EQ(static_cast<std::int64_t>(read.Connections.size()) + read.Counts.Unread + read.Counts.Unreadable + doubted,
                  written)
            << d.What;
        EXPECT_EQ(EvtxDamageSentences(read.Counts).empty(), d.Harmless) << d.What;
        if (!read.Counts.DamagedChunks.empty() || read.Counts.Copies > 0)
            continue;
        // What was read is what the intact file holds.
        for (const EvtxConnection& c : read.Connections) {
            const auto same = std::find_if(intact.Connections.begin(), intact.Connections.end(),
                                           [&](const EvtxConnection& x) { return x.Record == c.Record; });
            ASSERT_NE(same, intact.Connections.end()) << d.What;
            EXPECT_EQ(intact.Names[same->User] + intact.Names[same->Port] + std::to_string(same->BytesSent),
                      read.Names[c.User] + read.Names[c.Port] + std::to_string(c.BytesSent))
                << d.What;
        }
    }
    // A scan words it among its warnings.
    QTemporaryDir scanned;
    std::ofstream(QDir(scanned.path()).filePath("cut.evtx").toStdString(), std::ios::binary) << whole.substr(0, ChunkAt(3));
    ScanSettings s;
    s.LogDir = scanned.path();
    s.FileFilter = "*.evtx";
    s.LogLanguage = "EN";
    s.NEvents = "20251";
    const auto stores = std::make_unique<Stores>();
    const std::atomic<bool> stop{false};
    const ScanResult result = RunScan(s, *stores, stop, nullptr);
    ASSERT_EQ(result.Files.size(), 1u);
    const std::vector<std::string> warnings = ScanWarnings(result);
    const std::vector<std::string> damage = EvtxDamageSentences(ReadEvtxBytes(whole.substr(0, ChunkAt(3)), events).Counts);
    ASSERT_FALSE(damage.empty());
    for (const std::string& sentence : damage)
        EXPECT_NE(std::find(warnings.begin(), warnings.end(), "cut.evtx: " + sentence + "."), warnings.end()) << sentence;
}

TEST(EvtxReader, ConnectionEventsThatCannotBeReadAreCountedWithTheFirstRecordNumber)
{
    loggen::EvtxWriter writer;
    loggen::EvtxEvent e;
    e.Provider = "RemoteAccess";
    e.EventId = 20251;
    e.Computer = "RAS1";
    e.Data = {u"", u"", u"CORP\\Alice", u"VPN2-1", u"\u200e12/\u200e6/\u200e2026", u"9:05 AM", u"", u"", u"81", u"52",
              u"1146634", u"192742", u"115200", u"user request"};
    writer.Add(e);
    loggen::EvtxEvent late = e;
    late.Data[10] = u"11466x4";  // not a byte count
    writer.Add(late);
    loggen::EvtxEvent few = e;
    few.Data.resize(12);  // 20251 without its speed
    writer.Add(few);
    const EvtxFileRead read = ReadEvtxBytes(writer.Finish(), EventList("20251"));
    ASSERT_EQ(read.Connections.size(), 1u);
    const EvtxConnection& c = read.Connections[0];
    EXPECT_EQ(read.Names[c.Domain] + " " + read.Names[c.User] + " " + read.Names[c.Server] + " " + read.Names[c.Port] +
                  " " + read.Names[c.Speed],
              "CORP alice RAS1 VPN2-1 115200");
    EXPECT_EQ(c.DateTime, Day(2026, 12, 6) + (9 * 60 + 5) / 1440.0);
    EXPECT_EQ(c.ActiveTime, 81 * 60 + 52);
    EXPECT_EQ(read.Counts.Unreadable, 2);
    EXPECT_EQ(read.Counts.FirstUnreadable, 2);
}

}  // namespace
}  // namespace vy
