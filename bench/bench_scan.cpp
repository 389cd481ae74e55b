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
// The usual folder's options: its connections, names and days.
vy::loggen::GeneratorOptions UsualOptions()
{
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
    return o;
}

std::string Folder()
{
    static const std::string folder = KeptFolder(
        "scan-1g",
        "v1 " + std::to_string(kConnections) + " " + std::to_string(kOthers) + " " + std::to_string(kFiles),
        [](const std::string& dir) { vy::loggen::GenerateLogFolder(dir, UsualOptions()); });
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

// The same million connections as NPS accounting logs, each a Start, now
// and then an Interim-Update, and its Stop, with one record of no
// connection (Access-Request/Accept/Reject, Accounting-On/Off, an
// Interim-Update) per connection besides. One thread, CPU time: against
// ScanFolderOneThread's CPU time.
std::string NpsFolder(vy::loggen::MessageForm form)
{
    const std::string name = form == vy::loggen::MessageForm::NpsDts    ? "npsdts"
                             : form == vy::loggen::MessageForm::NpsOdbc ? "npsodbc"
                                                                         : "npsias";
    return KeptFolder("scan-1m-" + name, "v2 " + std::to_string(kConnections), [form](const std::string& dir) {
        vy::loggen::GeneratorOptions o = UsualOptions();
        o.OtherLines = kConnections;
        o.Form = form;
        vy::loggen::GenerateLogFolder(dir, o);
    });
}
void ScanNpsDts(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, NpsFolder(vy::loggen::MessageForm::NpsDts), "*.log");
}
BENCHMARK(ScanNpsDts)->Unit(benchmark::kMillisecond)->MinTime(3);
void ScanNpsOdbc(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, NpsFolder(vy::loggen::MessageForm::NpsOdbc), "*.log");
}
BENCHMARK(ScanNpsOdbc)->Unit(benchmark::kMillisecond)->MinTime(3);
void ScanNpsIas(benchmark::State& state)
{
    Scan(state, vy::ScanThreads::One, NpsFolder(vy::loggen::MessageForm::NpsIas), "*.log");
}
BENCHMARK(ScanNpsIas)->Unit(benchmark::kMillisecond)->MinTime(3);

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
