#include "scan/evtx_layout.h"

#include <cstring>

#include <zlib.h>

namespace vy::evtx {

namespace {

constexpr std::int64_t kChecksummed = 120;  // the header bytes before the flags and the checksum

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0)
{
    return static_cast<std::uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

}  // namespace

std::optional<FileHeader> ReadFileHeader(std::string_view block)
{
    if (block.size() < 128 || block.substr(0, 8) != kFileMagic ||
        Crc32(block.substr(0, kChecksummed)) != Le32(block.data() + 124))
        return std::nullopt;
    const char* p = block.data();
    return FileHeader{Le64(p + 8), Le64(p + 24), Le16(p + 42)};
}

ChunkCheck CheckChunk(std::string_view chunk)
{
    ChunkCheck check;
    if (static_cast<std::int64_t>(chunk.size()) < kChunkSize)
        return check;
    const char* p = chunk.data();
    const std::uint32_t headerSum =
        Crc32(chunk.substr(kChunkTables, kChunkHeader - kChunkTables), Crc32(chunk.substr(0, kChecksummed)));
    check.HeaderSound = chunk.starts_with(kChunkMagic) && headerSum == Le32(p + 124);
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
    for (const int at : {8, 24})
        qToLittleEndian<std::uint64_t>(first, chunk + at);
    for (const int at : {16, 32})
        qToLittleEndian<std::uint64_t>(last, chunk + at);
    const std::int64_t lastAt = check.Found.empty() ? kChunkHeader : check.Found.back().At;
    const std::int64_t free = check.Found.empty() ? kChunkHeader : lastAt + Le32(chunk + lastAt + 4);
    qToLittleEndian<std::uint32_t>(kChunkTables, chunk + 40);
    qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(lastAt), chunk + 44);
    qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(free), chunk + 48);
}

bool ValueCountsFit(std::string_view chunk)
{
    // A fragment header, then a template instance: its token, a byte, the
    // template's identifier and the place of its definition. Records begin
    // with a fragment, and values of binary XML hold fragments of their own:
    // every one is looked at.
    constexpr std::size_t kInstanceHeader = 4 + 10;
    for (std::size_t fragment = chunk.find(kFragmentHeader); fragment != std::string_view::npos;
         fragment = chunk.find(kFragmentHeader, fragment + 1)) {
        if (chunk.size() <= fragment + kFragmentHeader.size() ||
            static_cast<unsigned char>(chunk[fragment + kFragmentHeader.size()]) != kTemplateInstance)
            continue;
        std::size_t count = fragment + kInstanceHeader;
        if (count > chunk.size())
            return false;
        if (Le32(chunk.data() + fragment + 10) == count) {  // the definition follows, in the record
            if (chunk.size() - count < kTemplateHeaderBytes)
                return false;
            count += kTemplateHeaderBytes + Le32(chunk.data() + count + 20);
        }
        if (count > chunk.size() || chunk.size() - count < 4 ||
            Le32(chunk.data() + count) > (chunk.size() - count - 4) / 4)
            return false;
    }
    return true;
}

}  // namespace vy::evtx
