#pragma once
// The layout of an event log file (.evtx) as far as the reader checks it
// itself: the file header, the 64 KiB chunks with their two checksums, and
// the records laid one after another in a chunk. The records' contents
// (binary XML) are libevtx's.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vy::evtx {

inline constexpr std::int64_t kHeaderBlock = 4096;
inline constexpr std::int64_t kChunkSize = 65536;
inline constexpr std::int64_t kChunkHeader = 512;
inline constexpr std::int64_t kSmallestRecord = 28;  // header, size copy and the least binary XML
// More records than this cannot stand in one chunk.
inline constexpr std::uint64_t kMostRecordsInChunk = (kChunkSize - kChunkHeader) / kSmallestRecord;

std::uint32_t Le32(const char* p);
std::uint64_t Le64(const char* p);

// What the file header says; nothing when it fails its checksum.
struct FileHeader {
    std::uint64_t OldestChunk = 0;
    std::uint64_t NextRecord = 0;  // the number the next record written will get
    std::int64_t Chunks = 0;
};
std::optional<FileHeader> ReadFileHeader(std::string_view block);

struct RecordPlace {
    std::int64_t At = 0;  // in the chunk
    std::uint64_t Number = 0;
};

// One chunk's header and what its checksums say.
struct ChunkCheck {
    bool Magic = false;
    bool HeaderSound = false;   // magic and header checksum
    bool RecordsSound = false;  // the event records' checksum
    std::uint64_t FirstIndex = 0;  // the first record's place in the log, from 1
    std::uint64_t First = 0, Last = 0;  // record numbers, when HeaderSound
    std::vector<RecordPlace> Found;  // records laid from the chunk's start, each with its size at both ends
    bool Sound() const { return HeaderSound && RecordsSound; }
};
// chunk: a whole chunk (padded with zeros when the file ends within it).
ChunkCheck CheckChunk(std::string_view chunk);

// A chunk whose header is lost, given a header libevtx reads, from the
// records found in it. chunk is kChunkSize bytes.
void MendChunkHeader(char* chunk, const ChunkCheck& check);

}  // namespace vy::evtx
