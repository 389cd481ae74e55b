// Feeds arbitrary bytes as a log file to the reader of its form in the
// table of forms (told from the bytes, as the scan tells it; event log files
// have a target of their own): no read outside the input, no hang, and every
// connection handed over sane.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include "scan/forms/log_form_table.h"
#include "scan/scan_run.h"
#include "store/date_value.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

class CheckingSink : public vy::ReadSink {
public:
    void FileBegin(std::size_t) override {}
    void FileUnreadable(std::size_t) override {}
    void FileForm(std::size_t, std::size_t) override {}
    void Problem(std::size_t file, std::string_view sentence) override { Check(file == 0 && !sentence.empty()); }
    void Percent(int, bool) override {}
    void Connection(std::string_view, std::int64_t) override {}
    void Parsed(const vy::ConnectionLine& c) override
    {
        Check(c.DateTime >= *vy::EncodeDate(1, 1, 1) && c.DateTime < *vy::EncodeDate(9999, 12, 31) + 1);
        Check(c.ActiveTime >= 0);
        for (char ch : c.User)
            Check(ch < 'A' || ch > 'Z');
        // Names from the exports are data: no control character in them.
        for (std::string_view name : {c.Domain, std::string_view(c.User), c.Server, c.Port, c.Speed})
            Check(classic || std::none_of(name.begin(), name.end(), [](char ch) { return ch >= 0 && ch < 0x20; }));
    }
    bool classic = false;
    void UnreadLine(std::size_t file, std::int64_t line) override { Check(file == 0 && line >= 1); }
    void UnreadRecord(std::size_t, std::int64_t) override { Check(false); }
    void EventNotListed(int id) override { Check(id == 20272 || id == 20251); }
    void Overlong(std::size_t file, std::int64_t line) override { Check(file == 0 && line >= 1); }
    bool Stopped() override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string ids = input.ConsumeBool() ? "20272;20251" : input.ConsumeRandomLengthString(24);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    static const std::string path = "/tmp/fuzz_export_forms." + std::to_string(getpid());
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    vy::LogReader reader(4096, 1 << 16);  // small, so that long records and lines are met
    if (!reader.Open(std::filesystem::path(path)))
        return 0;
    CheckingSink sink;
    vy::ScanSettings settings;
    settings.LogLanguage = "EN";
    settings.NEvents = ids;
    const vy::EventList events(ids);
    const vy::LineMatcher matcher("EN", events);
    vy::ReadingProgress progress(sink, static_cast<double>(bytes.size()));
    const std::filesystem::path file(path);
    const std::size_t form = vy::FormOf(reader.Head());
    const auto table = vy::LogFormTable();
    sink.classic = form + 1 >= table.size();
    // Event log files have fuzz targets of their own.
    if (form < table.size() && table[form].Recognises != &vy::IsEvtxHead) {
        vy::FormReading reading{reader, file, 0, "fuzz.csv", "fuzz", settings, events, matcher, progress, 0, sink};
        table[form].Read(reading);
    }
    return 0;
}
