// The scan against plain reading: the whole scan of a generated folder of
// about 1 GB (enumeration to filled stores, no duplicate check) next to
// `cat` of the same files, on two threads and on one; a smaller folder in
// single bytes and the same in UTF-16; and the duplicate check on a full
// store.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include <QDir>
#include <QString>

#include "kept_folder.h"
#include "loggen/log_generator.h"
#include "scan/duplicate_check.h"
#include "scan/scan_run.h"
#include "store/date_value.h"

namespace {

constexpr std::int64_t kConnections = 1000000;
constexpr std::int64_t kOthers = 4000000;
constexpr int kFiles = 10;

// Generated once and kept under the build folder; a stamp records the
// options, so a changed generator or size makes a new folder.
std::string Folder()
{
    static const std::string folder = KeptFolder(
        "scan-1g",
        "v1 " + std::to_string(kConnections) + " " + std::to_string(kOthers) + " " + std::to_string(kFiles),
        [](const std::string& dir) {
            vy::loggen::GeneratorOptions o;
            o.Seed = 5;
            o.Files = kFiles;
            o.ConnectionLines = kConnections;
            o.OtherLines = kOthers;
            o.Users = 2000;
            o.Domains = 8;
            o.Servers = 24;
            o.Ports = 8;
            o.Speeds = 6;
            o.FirstDay = {1998, 1, 1};
            o.LastDay = {1998, 12, 31};
            vy::loggen::GenerateLogFolder(dir, o);
        });
    return folder;
}

// A folder of about 90 MB, the same files in UTF-16 LE with their mark,
// and the same connections as an Event Viewer CSV export of events 20251.
enum class SmallForm { SingleByte, Utf16, EventViewerCsv };
std::string SmallFolder(SmallForm form)
{
    static const std::string folder = KeptFolder("scan-90m", "v2", [](const std::string& dir) {
            vy::loggen::GeneratorOptions o;
            o.Seed = 6;
            o.Files = 2;
            o.ConnectionLines = 100000;
            o.OtherLines = 400000;
            o.Users = 2000;
            o.FirstDay = {1998, 1, 1};
            o.LastDay = {1998, 12, 31};
            const auto written = vy::loggen::GenerateLogFolder(dir, o);
            QDir(QString::fromStdString(dir + "-utf16")).removeRecursively();
            QDir().mkpath(QString::fromStdString(dir + "-utf16"));
            for (const std::string& name : written.Files) {
                std::ifstream in(dir + "/" + name, std::ios::binary);
                std::ofstream out(dir + "-utf16/" + name, std::ios::binary);
                out << "\xFF\xFE";
                for (char c; in.get(c);)
                    out << c << '\0';
            }
            o.Form = vy::loggen::MessageForm::EventViewerCsv;
            o.EventId = "20251";
            vy::loggen::GenerateLogFolder(dir + "-evcsv", o);
        });
    switch (form) {
    case SmallForm::Utf16: return folder + "-utf16";
    case SmallForm::EventViewerCsv: return folder + "-evcsv";
    default: return folder;
    }
}

void CatFiles(benchmark::State& state)
{
    const std::string command = "cat '" + Folder() + "'/*.txt > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cat failed");
    }
}
BENCHMARK(CatFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void Scan(benchmark::State& state, vy::ScanThreads threads, const std::string& folder = Folder(),
          const char* filter = "*.txt", const char* events = "20050;20048")
{
    auto stores = std::make_unique<vy::Stores>();
    vy::ScanSettings s;
    s.LogDir = QString::fromStdString(folder);
    s.FileFilter = filter;
    s.LogLanguage = "EN";
    s.NEvents = events;
    s.InitialDate = *vy::EncodeDate(1998, 1, 1);
    s.FinalDate = *vy::EncodeDate(1998, 12, 31);
    std::atomic<bool> stop{false};
    for (auto _ : state) {
        const vy::ScanResult r = vy::RunScan(s, *stores, stop, nullptr, threads);
        benchmark::DoNotOptimize(r);
    }
    state.counters["records"] = stores->Connections.Count();
    state.counters["names"] = stores->Names.Count();
}
// The scan as the program runs it: a second thread reads ahead.
void ScanFolder(benchmark::State& state) { Scan(state, vy::ScanThreads::Two); }
BENCHMARK(ScanFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The same scan on one thread.
void ScanFolderOneThread(benchmark::State& state) { Scan(state, vy::ScanThreads::One); }
BENCHMARK(ScanFolderOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The same connections in single bytes, in UTF-16, and exported by Event
// Viewer as CSV (UTF-8, the dates with direction marks in half of them).
void ScanSmallFolder(benchmark::State& state) { Scan(state, vy::ScanThreads::Two, SmallFolder(SmallForm::SingleByte)); }
BENCHMARK(ScanSmallFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
void ScanSmallFolderUtf16(benchmark::State& state) { Scan(state, vy::ScanThreads::Two, SmallFolder(SmallForm::Utf16)); }
BENCHMARK(ScanSmallFolderUtf16)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
void ScanSmallFolderEventViewerCsv(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::Two, SmallFolder(SmallForm::EventViewerCsv), "*.csv", "20050;20048;20251");
}
BENCHMARK(ScanSmallFolderEventViewerCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// A million connections among a million other records, as classic lines
// and in each accounting form (a session's Start, Interim-Update and Stop
// records for each connection; NPS logs in their three forms), scanned on
// one thread: the CPU time of each over a million is its cost per
// connection.
std::string AccountingFolder(vy::loggen::MessageForm form)
{
    static const std::string folder = KeptFolder("scan-accounting", "v2", [](const std::string& dir) {
        vy::loggen::GeneratorOptions o;
        o.Seed = 7;
        o.Files = 4;
        o.ConnectionLines = kConnections;
        o.OtherLines = kConnections;
        o.Users = 2000;
        o.FirstDay = {1998, 1, 1};
        o.LastDay = {1998, 12, 31};
        for (auto [f, name] : {std::pair{vy::loggen::MessageForm::Classic, "/classic"},
                               {vy::loggen::MessageForm::Detail, "/detail"},
                               {vy::loggen::MessageForm::Radacct, "/radacct"},
                               {vy::loggen::MessageForm::NpsDts, "/npsdts"},
                               {vy::loggen::MessageForm::NpsOdbc, "/npsodbc"},
                               {vy::loggen::MessageForm::NpsIas, "/npsias"}}) {
            o.Form = f;
            vy::loggen::GenerateLogFolder(dir + name, o);
        }
    });
    switch (form) {
    case vy::loggen::MessageForm::Detail: return folder + "/detail";
    case vy::loggen::MessageForm::Radacct: return folder + "/radacct";
    case vy::loggen::MessageForm::NpsDts: return folder + "/npsdts";
    case vy::loggen::MessageForm::NpsOdbc: return folder + "/npsodbc";
    case vy::loggen::MessageForm::NpsIas: return folder + "/npsias";
    default: return folder + "/classic";
    }
}
void ScanAccountingClassic(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, AccountingFolder(vy::loggen::MessageForm::Classic), "*");
}
BENCHMARK(ScanAccountingClassic)->Unit(benchmark::kMillisecond)->MinTime(2);
void ScanAccountingDetail(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, AccountingFolder(vy::loggen::MessageForm::Detail), "*");
}
BENCHMARK(ScanAccountingDetail)->Unit(benchmark::kMillisecond)->MinTime(2);
void ScanAccountingRadacct(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, AccountingFolder(vy::loggen::MessageForm::Radacct), "*");
}
BENCHMARK(ScanAccountingRadacct)->Unit(benchmark::kMillisecond)->MinTime(2);
void ScanAccountingNpsDts(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, AccountingFolder(vy::loggen::MessageForm::NpsDts), "*");
}
BENCHMARK(ScanAccountingNpsDts)->Unit(benchmark::kMillisecond)->MinTime(2);
void ScanAccountingNpsOdbc(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, AccountingFolder(vy::loggen::MessageForm::NpsOdbc), "*");
}
BENCHMARK(ScanAccountingNpsOdbc)->Unit(benchmark::kMillisecond)->MinTime(2);
void ScanAccountingNpsIas(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, AccountingFolder(vy::loggen::MessageForm::NpsIas), "*");
}
BENCHMARK(ScanAccountingNpsIas)->Unit(benchmark::kMillisecond)->MinTime(2);

// A full store of a million records, one in a hundred a copy of an earlier one.
void DuplicateCheck(benchmark::State& state)
{
    auto stores = std::make_unique<vy::Stores>();
    std::uint64_t x = 88172645463325252ull;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    std::vector<vy::ConnectionRecord> records;
    records.reserve(1000000);
    for (int i = 0; i < 1000000; ++i) {
        vy::ConnectionRecord r;
        if (i > 0 && next() % 100 == 0) {
            r = records[next() % records.size()];
        } else {
            r.UserIndex = static_cast<std::int32_t>(next() % 3000);
            r.SpeedIndex = static_cast<std::int32_t>(next() % 500);
            r.DateTime = 35796 + static_cast<double>(next() % (365 * 1440)) / 1440.0;
            r.ActiveTime = static_cast<std::int32_t>(next() % 10000);
            r.BytesSent = static_cast<std::int32_t>(next() % 10000000);
            r.BytesReceived = static_cast<std::int32_t>(next() % 10000000);
        }
        records.push_back(r);
    }
    int changes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        stores->Connections.Clear();
        for (const auto& r : records)
            stores->Connections.Append(r);
        changes = 0;
        state.ResumeTiming();
        benchmark::DoNotOptimize(vy::MarkDuplicates(*stores, [&changes](int) { ++changes; }));
    }
    int removed = 0;
    for (const auto& r : stores->Connections)
        removed += r.Removed() ? 1 : 0;
    state.counters["removed"] = removed;
    state.counters["progress_calls"] = changes;
}
BENCHMARK(DuplicateCheck)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
