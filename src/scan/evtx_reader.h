#pragma once
// Reading event log files (.evtx) through libevtx: the connection events of
// the source RemoteAccess (20272, and 20251 with the port speed), their
// values taken from the event's insertion strings by the rules of the text
// forms, and a count of everything that could not be read.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "scan/event_list.h"

namespace vy {

// A file is an event log file when it begins with these eight bytes.
inline constexpr std::string_view kEvtxMagic{"ElfFile\0", 8};

bool IsEvtxHead(std::string_view head);
// Reads the first bytes of a plain file; false when it cannot be read.
bool IsEvtxFile(const std::filesystem::path& path);

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

// What a reading looks at while it runs: either flag, when given and set,
// ends it early (within a record); BytesDone, when given, follows the bytes
// of the file read, chunk by chunk.
struct EvtxReading {
    const std::atomic<bool>* Stop = nullptr;
    const std::atomic<bool>* Cancel = nullptr;
    std::atomic<std::int64_t>* BytesDone = nullptr;
};

// Reads a whole file. stop, when given and set, ends the reading early.
EvtxFileRead ReadEvtxFile(const std::filesystem::path& path, const EventList& events,
                          const std::atomic<bool>* stop = nullptr);
EvtxFileRead ReadEvtxFile(const std::filesystem::path& path, const EventList& events, const EvtxReading& reading);
// The same for a file's bytes in memory.
EvtxFileRead ReadEvtxBytes(std::string_view bytes, const EventList& events,
                           const std::atomic<bool>* stop = nullptr);

}  // namespace vy
