#pragma once
// A small writer of event log files (.evtx) as Windows writes them: a file
// header, 64 KiB chunks with their checksums, and each event as binary XML
// through a template: the template's definition once per chunk, then an
// instance with the event's substitution values. Provider and computer are
// given as single bytes (Latin-1); every text is stored as UTF-16.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vy::loggen {

struct EvtxEvent {
    std::string Provider;
    int EventId = 0;
    int Qualifiers = 0;
    int Level = 4;
    std::int64_t Second = 0;  // when written: seconds since 30 December 1899
    std::string Computer;
    std::vector<std::u16string> Data;  // the insertion strings, in order
};

class EvtxWriter {
public:
    EvtxWriter();
    void Add(const EvtxEvent& event);
    // The whole file; the writer is empty again afterwards.
    std::string Finish();
    std::int64_t Events() const { return static_cast<std::int64_t>(next_ - 1); }
    // The two checksums of the chunk at byte at of a file, made anew for
    // its bytes as they are now.
    static void SealChunk(std::string& file, std::size_t at);

private:
    bool Record(const EvtxEvent& event, std::string& out);
    void CloseChunk();
    void StartChunk();

    std::string chunks_;  // the finished chunks
    std::string chunk_;   // the chunk being filled, from its start
    std::uint64_t next_ = 1;  // the next record number
    std::uint64_t chunkFirst_ = 0;
    std::size_t lastRecord_ = 0;  // in the chunk
    // Names and templates already in the chunk, by their offsets there.
    std::map<std::string, std::uint32_t> names_;
    std::map<std::string, std::uint32_t> templates_;
};

}  // namespace vy::loggen
