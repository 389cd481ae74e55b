#pragma once
// The layout of an event log file (.evtx): the file header, the 64 KiB
// chunks with their two checksums, and the records laid one after another
// in a chunk.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include <QtEndian>

namespace vy::evtx {

inline constexpr std::int64_t kHeaderBlock = 4096;
inline constexpr std::int64_t kChunkSize = 65536;
inline constexpr std::int64_t kChunkHeader = 512;
inline constexpr std::int64_t kChunkTables = 128;  // where a chunk's string and template tables begin
inline constexpr std::int64_t kRecordHeader = 24;  // magic, size, number, time
inline constexpr std::int64_t kSmallestRecord = 28;  // header, size copy and the least binary XML
// More records than this cannot stand in one chunk.
inline constexpr std::uint64_t kMostRecordsInChunk = (kChunkSize - kChunkHeader) / kSmallestRecord;
inline constexpr std::string_view kFileMagic{"ElfFile\0", 8};
inline constexpr std::string_view kChunkMagic{"ElfChnk\0", 8};
inline constexpr std::string_view kRecordMagic{"**\0\0", 4};
// A record's binary XML begins with it.
inline constexpr std::string_view kFragmentHeader{"\x0F\x01\x01\x00", 4};
inline constexpr std::size_t kTemplateHeaderBytes = 24;  // of a template definition: next, identifier, size

// Binary XML tokens; kMore marks an element with attributes, an attribute
// with more after it.
enum : unsigned char {
    kEndOfFragment = 0x00,
    kOpenElement = 0x01,
    kCloseStart = 0x02,
    kCloseEmpty = 0x03,
    kEndElement = 0x04,
    kValueText = 0x05,
    kAttribute = 0x06,
    kTemplateInstance = 0x0C,
    kSubstitution = 0x0D,
    kOptionalSubstitution = 0x0E,
    kMore = 0x40,
};

inline std::uint16_t Le16(const char* p) { return qFromLittleEndian<std::uint16_t>(p); }
inline std::uint32_t Le32(const char* p) { return qFromLittleEndian<std::uint32_t>(p); }
inline std::uint64_t Le64(const char* p) { return qFromLittleEndian<std::uint64_t>(p); }

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

// Whether every template instance in the chunk (a record's own, those in
// its values of binary XML, those of copies in the free space) gives a
// count of values that fits in the chunk. libevtx believes the count and reads that many value sizes and
// types, far past the chunk for a damaged one, so such a chunk is not
// given to it.
bool ValueCountsFit(std::string_view chunk);

}  // namespace vy::evtx
