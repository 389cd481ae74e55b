#pragma once
// The generated lines written as event log files (.evtx): each connection
// as event 20251 or 20272 of RemoteAccess with its values as insertion
// strings, each other line as an event of its own source and ID with the
// message as its one string.

#include <filesystem>
#include <string>

#include "loggen/evtx_writer.h"
#include "loggen/log_generator.h"

namespace vy::loggen {

class EvtxFolderWriter : public LineSink {
public:
    // eventId "20251" or "20272" writes every connection so; any other
    // writes them as 20251 and 20272 in turn.
    EvtxFolderWriter(std::filesystem::path folder, std::string eventId, GeneratedFolder& summary);
    void BeginFile(const std::string& name) override;  // "x.txt" is written as "x.evtx"
    void Line(const std::string& line, const Connection* connection, bool copy) override;
    void Finish();

private:
    void AddConnection(const Connection& c, int eventId);
    void AddOther(const std::string& line);

    std::filesystem::path folder_;
    std::string eventId_;
    GeneratedFolder& summary_;
    EvtxWriter writer_;
    std::string path_;
    std::string name_;
    std::int64_t connections_ = 0;
    int lastEventId_ = 0;
};

}  // namespace vy::loggen
