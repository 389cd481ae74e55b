// The scan of a generated folder of about 100 MB of event log files (.evtx;
// connection events among ten times as many others) against libevtx alone
// going through the same records in one thread and fetching their strings:
// the least any reading through the library costs.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QDir>
#include <QFile>
#include <QString>

#include <libevtx.h>

#include "kept_folder.h"
#include "loggen/log_generator.h"
#include "scan/event_strings.h"
#include "scan/evtx_fast_reader.h"
#include "scan/scan_run.h"
#include "store/date_value.h"

namespace {

constexpr std::int64_t kConnections = 28000;
constexpr std::int64_t kOthers = 280000;
constexpr int kFiles = 4;

// VY_BENCH_EVTX_FOLDER, when set, names another folder of .evtx files to
// measure instead.
std::string Folder()
{
    if (const char* other = std::getenv("VY_BENCH_EVTX_FOLDER"))
        return other;
    static const std::string folder = KeptFolder(
        "evtx-100m",
        "v1 " + std::to_string(kConnections) + " " + std::to_string(kOthers) + " " + std::to_string(kFiles),
        [](const std::string& dir) {
            vy::loggen::GeneratorOptions o;
            o.Seed = 11;
            o.Files = kFiles;
            o.ConnectionLines = kConnections;
            o.OtherLines = kOthers;
            o.Users = 2000;
            o.Domains = 8;
            o.Servers = 24;
            o.FirstDay = {1998, 1, 1};
            o.LastDay = {1998, 12, 31};
            o.Form = vy::loggen::MessageForm::Evtx;  // 20251 and 20272 in turn
            vy::loggen::GenerateLogFolder(dir, o);
        });
    return folder;
}

std::int64_t FolderBytes()
{
    std::int64_t total = 0;
    for (const QFileInfo& f : QDir(QString::fromStdString(Folder())).entryInfoList({"*.evtx"}, QDir::Files))
        total += f.size();
    return total;
}

void Scan(benchmark::State& state, vy::ScanThreads threads)
{
    vy::ScanSettings s;
    s.LogDir = QString::fromStdString(Folder());
    s.FileFilter = "*.evtx";
    s.LogLanguage = "EN";
    s.NEvents = "20251;20272";
    s.InitialDate = *vy::EncodeDate(1998, 1, 1);
    s.FinalDate = *vy::EncodeDate(1998, 12, 31);
    auto stores = std::make_unique<vy::Stores>();
    std::atomic<bool> stop{false};
    std::size_t records = 0;
    for (auto _ : state) {
        vy::RunScan(s, *stores, stop, nullptr, threads);
        records = stores->Connections.Count();
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetBytesProcessed(state.iterations() * FolderBytes());
}

void BM_ScanEvtx(benchmark::State& state) { Scan(state, vy::ScanThreads::Two); }

// From Stop, set while the first file is being read, to the end of the scan:
// the time the window waits for it.
void BM_StopDuringEvtxScan(benchmark::State& state)
{
    vy::ScanSettings s;
    s.LogDir = QString::fromStdString(Folder());
    s.FileFilter = "*.evtx";
    s.LogLanguage = "EN";
    s.NEvents = "20251;20272";
    auto stores = std::make_unique<vy::Stores>();
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread scan([&] { vy::RunScan(s, *stores, stop, nullptr, vy::ScanThreads::Two); });
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto stopped = std::chrono::steady_clock::now();
        stop = true;
        scan.join();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count());
    }
}
void BM_ScanEvtxOneThread(benchmark::State& state) { Scan(state, vy::ScanThreads::One); }

// Every record of every file, one after the other: its event ID, source,
// computer and every string, as UTF-16.
void BM_LibevtxIterateAndFetchStrings(benchmark::State& state)
{
    const QStringList names = QDir(QString::fromStdString(Folder())).entryList({"*.evtx"}, QDir::Files, QDir::Name);
    std::vector<std::uint16_t> units;
    std::int64_t strings = 0;
    auto fetch = [&units](int got, std::size_t size, auto get) {
        if (got != 1)
            return;
        units.resize(size + 1);
        if (size > 0)
            get(units.data(), size);
        benchmark::DoNotOptimize(units.data());
    };
    for (auto _ : state) {
        strings = 0;
        for (const QString& name : names) {
            const QByteArray path = QFile::encodeName(QDir(QString::fromStdString(Folder())).filePath(name));
            libevtx_file_t* file = nullptr;
            libevtx_file_initialize(&file, nullptr);
            if (libevtx_file_open(file, path.constData(), libevtx_get_access_flags_read(), nullptr) != 1) {
                state.SkipWithError("libevtx cannot open the folder's files");
                return;
            }
            int n = 0;
            libevtx_file_get_number_of_records(file, &n, nullptr);
            for (int i = 0; i < n; ++i) {
                libevtx_record_t* r = nullptr;
                if (libevtx_file_get_record_by_index(file, i, &r, nullptr) != 1)
                    continue;
                std::uint32_t id = 0;
                libevtx_record_get_event_identifier(r, &id, nullptr);
                benchmark::DoNotOptimize(id);
                std::size_t size = 0;
                fetch(libevtx_record_get_utf16_source_name_size(r, &size, nullptr), size,
                      [r](std::uint16_t* b, std::size_t s) { libevtx_record_get_utf16_source_name(r, b, s, nullptr); });
                fetch(libevtx_record_get_utf16_computer_name_size(r, &size, nullptr), size,
                      [r](std::uint16_t* b, std::size_t s) { libevtx_record_get_utf16_computer_name(r, b, s, nullptr); });
                int count = 0;
                libevtx_record_get_number_of_strings(r, &count, nullptr);
                for (int k = 0; k < count; ++k, ++strings)
                    fetch(libevtx_record_get_utf16_string_size(r, k, &size, nullptr), size,
                          [r, k](std::uint16_t* b, std::size_t s) { libevtx_record_get_utf16_string(r, k, b, s, nullptr); });
                libevtx_record_free(&r, nullptr);
            }
            libevtx_file_close(file, nullptr);
            libevtx_file_free(&file, nullptr);
        }
    }
    state.counters["strings"] = static_cast<double>(strings);
    state.SetBytesProcessed(state.iterations() * FolderBytes());
}

// The fast reader alone (with the chunk checks it reads by), chunk by chunk
// as a file is streamed: every record classified, and a connection event's
// values read from its strings.
void BM_FastReaderChunks(benchmark::State& state)
{
    const QStringList names = QDir(QString::fromStdString(Folder())).entryList({"*.evtx"}, QDir::Files, QDir::Name);
    vy::EvtxChunkReader reader;
    std::string chunk(vy::evtx::kChunkSize, '\0');
    std::vector<std::string> strings;
    std::string computer;
    vy::ConnectionLine line;
    std::int64_t connections = 0, handedBack = 0;
    for (auto _ : state) {
        connections = handedBack = 0;
        for (const QString& name : names) {
            std::ifstream file(QFile::encodeName(QDir(QString::fromStdString(Folder())).filePath(name)).constData(),
                               std::ios::binary);
            file.seekg(4096);
            while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()))) {
                if (!reader.Read(chunk, vy::evtx::CheckChunk(chunk))) {
                    ++handedBack;
                    continue;
                }
                for (const vy::EvtxFastRecord& r : reader.Records()) {
                    if (r.What != vy::EvtxFastRecord::Kind::Values) {
                        handedBack += r.What == vy::EvtxFastRecord::Kind::HandedBack;
                        continue;
                    }
                    const auto texts = reader.Strings(r);
                    strings.resize(texts.size());
                    for (std::size_t k = 0; k < texts.size(); ++k) {
                        strings[k].clear();
                        vy::AppendSingleBytes(texts[k], strings[k]);
                    }
                    computer.clear();
                    vy::AppendSingleBytes(r.Computer, computer);
                    connections += vy::ReadConnectionStrings(r.EventId == vy::kEvtxWithSpeed, computer, strings, line);
                }
            }
        }
    }
    state.counters["connections"] = static_cast<double>(connections);
    state.counters["handed back"] = static_cast<double>(handedBack);
    state.SetBytesProcessed(state.iterations() * FolderBytes());
}

BENCHMARK(BM_FastReaderChunks)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LibevtxIterateAndFetchStrings)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ScanEvtx)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ScanEvtxOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_StopDuringEvtxScan)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
