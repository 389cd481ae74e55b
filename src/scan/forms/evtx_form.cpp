// Event log files (.evtx), read through libevtx on threads of their own
// ahead of the scan, their connections handed on in record order.

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>
#include <string>

#include "scan/evtx_damage_sentences.h"
#include "scan/evtx_read_ahead.h"
#include "scan/forms/log_form_table.h"
#include "scan/name_text.h"

namespace vy {

namespace {

class EventLogFiles : public FormScan {
public:
    EventLogFiles(std::vector<std::filesystem::path> paths, const EventList& events, int threads,
                  const std::atomic<bool>* stop)
        : Ahead(std::move(paths), events, threads, stop)
    {
    }
    EvtxReadAhead Ahead;
};

std::unique_ptr<FormScan> BeginEventLogFiles(const ScanFiles& files)
{
    // Told by their first bytes, as the table tells them.
    std::vector<std::filesystem::path> paths(files.Paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (IsEvtxFile(files.Paths[i]))
            paths[i] = files.Paths[i];
    return std::make_unique<EventLogFiles>(std::move(paths), files.Events, files.Threads ? 2 : 0, files.Stop);
}

bool ReadEventLogFile(FormReading& reading)
{
    auto& scan = *static_cast<EventLogFiles*>(reading.Scan);
    ReadSink& sink = reading.Sink;
    std::vector<std::string> names;
    ConnectionLine line;
    NameRoom room;
    // Stored part by part as the file is read, the bar moving with its chunks.
    const auto store = [&](EvtxFileRead& part, std::int64_t bytesRead) {
        std::move(part.Names.begin(), part.Names.end(), std::back_inserter(names));
        for (const EvtxConnection& c : part.Connections) {
            line.DateTime = c.DateTime;
            line.Domain = names[c.Domain];
            line.User = names[c.User];
            line.Server = names[c.Server];
            line.Port = names[c.Port];
            line.Speed = names[c.Speed];
            line.ActiveTime = c.ActiveTime;
            line.BytesSent = c.BytesSent;
            line.BytesReceived = c.BytesReceived;
            MakeNamesData(line, room);
            sink.Parsed(line);
            if (sink.Stopped())
                return false;
        }
        reading.Progress.Line(reading.FileStart + static_cast<double>(bytesRead), false);
        return !sink.Stopped();
    };
    // A file that became one after the scan began is read here.
    const EvtxFileRead read = scan.Ahead.IsEvtx(reading.File)
                                  ? scan.Ahead.Take(reading.File, store)
                                  : ReadEvtxFile(reading.Path, reading.Events, EvtxReading{store});
    if (sink.Stopped())
        return false;  // what a stopped reading holds is not the file's
    if (!read.Counts.Opened) {
        sink.FileUnreadable(reading.File);
        sink.Problem(reading.File, "it could not be read: it is damaged or no event log file");
    }
    for (std::int64_t i = 0; i < read.Counts.Unreadable; ++i)
        sink.UnreadRecord(reading.File, read.Counts.FirstUnreadable);
    for (const auto& [id, n] : read.Counts.NotListed)
        for (std::int64_t i = 0; i < n; ++i)
            sink.EventNotListed(id);
    for (const std::string& damage : EvtxDamageSentences(read.Counts))
        sink.Problem(reading.File, damage);
    return true;
}

}  // namespace

extern const LogFormEntry kEventLogFileForm{"Event log file (.evtx)", IsEvtxHead, ReadEventLogFile, BeginEventLogFiles};

}  // namespace vy
