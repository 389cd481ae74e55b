// Event log files (.evtx), read chunk by chunk, the connections stored part
// by part as they come (storing on the scan's thread while this one reads).

#include <algorithm>
#include <iterator>
#include <string>

#include "scan/evtx_damage_sentences.h"
#include "scan/forms/log_form_table.h"
#include "scan/name_text.h"

namespace vy {

namespace {

bool ReadEventLogFile(FormReading& reading)
{
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
    const EvtxFileRead read = ReadEvtxFile(reading.Path, reading.Events, EvtxReading{.Part = store, .Threads = reading.Threads});
    if (sink.Stopped())
        return false;  // a stopped reading's counts are not the file's
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

extern const LogFormEntry kEventLogFileForm{"Event log file (.evtx)", IsEvtxHead, ReadEventLogFile};

}  // namespace vy
