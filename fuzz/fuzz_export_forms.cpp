// Feeds arbitrary bytes as a log file to the readers of the exports (the
// form told from the bytes, as the scan tells it): no read outside the
// input, no hang, and every connection handed over sane.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include "scan/csv_export_reader.h"
#include "scan/log_form.h"
#include "scan/xml_export_reader.h"
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
    void Percent(int, bool) override {}
    void Connection(std::string_view, std::int64_t) override {}
    void Message(const vy::EventMessage& event) override
    {
        Check(event.EventId.size() == 5 && event.Offset >= 0);
        vy::ConnectionLine c;
        if (vy::ParseEventMessage("EN", event.EventId, event.Server, event.Message, c))
            Parsed(c);
    }
    void Parsed(const vy::ConnectionLine& c) override
    {
        Check(c.DateTime >= *vy::EncodeDate(1, 1, 1) && c.DateTime < *vy::EncodeDate(9999, 12, 31) + 1);
        Check(c.ActiveTime >= 0);
        for (char ch : c.User)
            Check(ch < 'A' || ch > 'Z');
    }
    void UnreadLine(std::size_t file, std::int64_t line) override { Check(file == 0 && line >= 0); }
    void UnreadRecord(std::size_t, std::int64_t) override { Check(false); }
    void EventNotListed(int id) override { Check(id == 20272 || id == 20251); }
    void Overlong() override {}
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
    const vy::LineMatcher matcher("EN", ids);
    vy::ReadingProgress progress(sink, static_cast<double>(bytes.size()));
    const vy::ExportReading reading{path, 0, matcher, "fuzz", progress, 0, sink};
    switch (const vy::LogForm form = vy::DetectLogForm(reader.Head())) {
    case vy::LogForm::Xml: vy::ReadXmlExport(reader, reading); break;
    case vy::LogForm::EventViewerCsv:
    case vy::LogForm::EventViewerText:
    case vy::LogForm::PowerShellCsv: vy::ReadCsvExport(reader, form, reading); break;
    default: break;
    }
    return 0;
}
