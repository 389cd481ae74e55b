#include "scan/evtx_layout.h"

#include <cstring>

#include <zlib.h>

namespace vy::evtx {

namespace {

constexpr std::string_view kFileMagic{"ElfFile\0", 8};
constexpr std::string_view kChunkMagic{"ElfChnk\0", 8};
constexpr std::string_view kRecordMagic{"**\0\0", 4};
constexpr std::int64_t kChecksummed = 120;  // the header bytes before the flags and the checksum
constexpr std::int64_t kChunkTables = 128;  // where the chunk header's string and template tables begin

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0)
{
    return static_cast<std::uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void SetLe(char* p, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

}  // namespace

std::uint32_t Le32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint64_t Le64(const char* p) { return Le32(p) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32); }

std::optional<FileHeader> ReadFileHeader(std::string_view block)
{
    if (block.size() < 128 || block.substr(0, 8) != kFileMagic ||
        Crc32(block.substr(0, kChecksummed)) != Le32(block.data() + 124))
        return std::nullopt;
    const char* p = block.data();
    return FileHeader{Le64(p + 8), Le64(p + 24), static_cast<std::int64_t>(p[42] & 0xFF) | (p[43] & 0xFF) << 8};
}

ChunkCheck CheckChunk(std::string_view chunk)
{
    ChunkCheck check;
    if (static_cast<std::int64_t>(chunk.size()) < kChunkSize)
        return check;
    const char* p = chunk.data();
    check.Magic = chunk.substr(0, 8) == kChunkMagic;
    const std::uint32_t headerSum =
        Crc32(chunk.substr(kChunkTables, kChunkHeader - kChunkTables), Crc32(chunk.substr(0, kChecksummed)));
    check.HeaderSound = check.Magic && headerSum == Le32(p + 124);
    const std::int64_t freeAt = Le32(p + 48);
    const bool freeSane = freeAt >= kChunkHeader && freeAt <= kChunkSize;
    check.RecordsSound = check.HeaderSound && freeSane &&
                         Crc32(chunk.substr(kChunkHeader, static_cast<std::size_t>(freeAt - kChunkHeader))) == Le32(p + 52);
    if (check.HeaderSound) {
        check.FirstIndex = Le64(p + 8);
        check.First = Le64(p + 24);
        check.Last = Le64(p + 32);
        if (check.Last < check.First || check.Last - check.First >= kMostRecordsInChunk)
            check.HeaderSound = check.RecordsSound = false;
    }
    const std::int64_t end = check.HeaderSound && freeSane ? freeAt : kChunkSize;
    for (std::int64_t at = kChunkHeader; at + kSmallestRecord <= end && chunk.substr(at, 4) == kRecordMagic;) {
        const std::int64_t length = Le32(p + at + 4);
        if (length < kSmallestRecord || at + length > end || Le32(p + at + length - 4) != length)
            break;
        check.Found.push_back({at, Le64(p + at + 8)});
        at += length;
    }
    return check;
}

void MendChunkHeader(char* chunk, const ChunkCheck& check)
{
    std::memcpy(chunk, kChunkMagic.data(), kChunkMagic.size());
    const std::uint64_t first = check.Found.empty() ? 0 : check.Found.front().Number;
    const std::uint64_t last = check.Found.empty() ? 0 : check.Found.back().Number;
    SetLe(chunk + 8, first, 8);
    SetLe(chunk + 16, last, 8);
    SetLe(chunk + 24, first, 8);
    SetLe(chunk + 32, last, 8);
    SetLe(chunk + 40, kChunkTables, 4);
    const std::int64_t lastAt = check.Found.empty() ? kChunkHeader : check.Found.back().At;
    SetLe(chunk + 44, static_cast<std::uint64_t>(lastAt), 4);
    SetLe(chunk + 48, static_cast<std::uint64_t>(check.Found.empty() ? kChunkHeader : lastAt + Le32(chunk + lastAt + 4)), 4);
}

}  // namespace vy::evtx
