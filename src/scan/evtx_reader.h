#pragma once
// Reading event log files (.evtx) through libevtx: the connection events of
// the source RemoteAccess (20272, and 20251 with the port speed), their
// values taken from the event's insertion strings by the rules of the text
// forms, and a count of everything that could not be read.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "scan/event_list.h"

namespace vy {

bool IsEvtxHead(std::string_view head);

// One connection event's values; its names (single bytes) are indexes into
// the file's Names.
struct EvtxConnection {
    double DateTime = 0;
    std::uint32_t Domain = 0;
    std::uint32_t User = 0;  // lower-cased
    std::uint32_t Server = 0;
    std::uint32_t Port = 0;
    std::uint32_t Speed = 0;
    std::int32_t ActiveTime = 0;
    std::int64_t BytesSent = 0;
    std::int64_t BytesReceived = 0;
    std::uint64_t Record = 0;  // the event record number
};

// What one file held besides its connections.
struct EvtxCounts {
    bool Opened = false;  // false: the library could not read the file at all
    std::int64_t Records = 0;  // records read, recovered ones included
    // Records of the file's free space (deleted ones) that the library
    // offers, and of those the ones it could not give.
    std::int64_t Recovered = 0;
    std::int64_t RecoveredUnread = 0;
    std::int64_t Unread = 0;  // records the file holds that could not be read
    std::int64_t FirstUnread = -1;  // the record number of the first, -1 when not known
    // Connection events with a listed ID whose values could not be read.
    std::int64_t Unreadable = 0;
    std::int64_t FirstUnreadable = -1;  // -1 when not known
    // Connection events (20272, 20251) from RemoteAccess not read because
    // their ID is not in the event list, per ID.
    std::map<int, std::int64_t> NotListed;
    // Copies of records already read (a chunk written twice, a record copy
    // in a chunk's free space): passed over, each number read once a file.
    std::int64_t Copies = 0;
    std::int64_t FirstCopy = -1;  // the record number of the first
    // Chunks that fail a checksum (or that the file's end cuts): their
    // records are kept, but may hold damaged values. Chunk counts from 0 in
    // the file.
    struct DamagedChunk {
        std::int64_t Chunk = 0;
        std::int64_t Connections = 0;  // read from it
        std::int64_t OtherRecords = 0;  // read from it as no connection: may be damaged ones
    };
    std::vector<DamagedChunk> DamagedChunks;
    // A file shorter than its header says: the chunks it names and the ones
    // missing (their records are among Unread).
    std::int64_t ChunksNamed = 0;
    std::int64_t ChunksMissing = 0;
};

struct EvtxFileRead {
    std::vector<EvtxConnection> Connections;  // in the order of the file's records
    std::vector<std::string> Names;  // each once
    EvtxCounts Counts;
};

// How a reading hands on its connections, when Part is given: in parts,
// so that a big file is never held whole. Every ChunksPerPart chunks and at
// the file's end, Part gets the connections read since the last part, the
// names first used by them (their indexes count on from the last part's),
// and the bytes of the file read; the part is emptied after the call, and
// false ends the reading there.
struct EvtxReading {
    std::function<bool(EvtxFileRead& part, std::int64_t bytesRead)> Part;
    int ChunksPerPart = 8;
    bool Threads = true;  // whether chunks may be read ahead on a thread of their own
};

// Reads a whole file, or a file's bytes in memory.
EvtxFileRead ReadEvtxFile(const std::filesystem::path& path, const EventList& events,
                          const EvtxReading& reading = {});
EvtxFileRead ReadEvtxBytes(std::string_view bytes, const EventList& events, const EvtxReading& reading = {});

}  // namespace vy
