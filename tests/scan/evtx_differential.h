#pragma once
// The fast event log file reader against libevtx, record by record: every
// record the fast reader reads must be one libevtx gives, with the same
// event ID, qualifiers, provider, computer and strings; every record it
// calls no connection must be none by libevtx's values. Records handed back
// are libevtx's alone. Shared by the differential test and fuzz target.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <QFile>
#include <QTemporaryFile>

#include <libevtx.h>
#include <zlib.h>

#include "scan/event_strings.h"
#include "scan/evtx_fast_reader.h"
#include "scan/evtx_layout.h"

namespace vy::evtxdiff {

struct Tally {
    std::int64_t Read = 0;  // records whose values were compared
    std::int64_t HandedBack = 0;  // records, and whole chunks
};

// A record's values in one text: event ID, qualifiers, provider, computer,
// strings; a value missing is "-".
struct Values {
    bool Connection = false;
    std::u16string Text;
};

// A text of libevtx's, by its size and text getters, up to its first NUL.
inline std::u16string LibText(auto size, auto get)
{
    std::size_t n = 0;
    if (size(&n) != 1)
        return u"-";
    std::vector<char16_t> buffer(n + 1, 0);
    if (n > 0 && get(reinterpret_cast<std::uint16_t*>(buffer.data()), n) != 1)
        return u"-";
    return std::u16string(buffer.data());
}

inline std::u16string Number(bool has, std::uint32_t n)
{
    const std::string text = has ? std::to_string(n) : "-";
    return std::u16string(text.begin(), text.end());
}

// Every record libevtx gives whole (recovered ones aside), by number.
inline std::multimap<std::uint64_t, Values> LibevtxRecords(const std::string& bytes)
{
    std::multimap<std::uint64_t, Values> out;
    QTemporaryFile temp;
    if (!temp.open() || temp.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !temp.flush())
        return out;
    libevtx_file_t* file = nullptr;
    libevtx_file_initialize(&file, nullptr);
    int n = 0;
    if (libevtx_file_open(file, QFile::encodeName(temp.fileName()).constData(), libevtx_get_access_flags_read(), nullptr) == 1)
        libevtx_file_get_number_of_records(file, &n, nullptr);
    for (int i = 0; i < n; ++i) {
        libevtx_record_t* r = nullptr;
        std::uint64_t number = 0;
        std::uint32_t id = 0, qualifiers = 0;
        int strings = 0;
        if (libevtx_file_get_record_by_index(file, i, &r, nullptr) != 1)
            continue;
        if (libevtx_record_get_identifier(r, &number, nullptr) == 1 && libevtx_record_get_event_identifier(r, &id, nullptr) == 1 &&
            libevtx_record_get_number_of_strings(r, &strings, nullptr) == 1) {
            Values v;
            const bool hasQualifiers = libevtx_record_get_event_identifier_qualifiers(r, &qualifiers, nullptr) == 1;
            const std::u16string provider =
                LibText([r](std::size_t* s) { return libevtx_record_get_utf16_source_name_size(r, s, nullptr); },
                        [r](std::uint16_t* u, std::size_t s) { return libevtx_record_get_utf16_source_name(r, u, s, nullptr); });
            v.Text = Number(true, id) + u"|" + Number(hasQualifiers, qualifiers) + u"|" + provider + u"|" +
                     LibText([r](std::size_t* s) { return libevtx_record_get_utf16_computer_name_size(r, s, nullptr); },
                             [r](std::uint16_t* u, std::size_t s) { return libevtx_record_get_utf16_computer_name(r, u, s, nullptr); });
            for (int k = 0; k < strings; ++k)
                v.Text += u"|" + LibText([r, k](std::size_t* s) { return libevtx_record_get_utf16_string_size(r, k, s, nullptr); },
                                         [r, k](std::uint16_t* u, std::size_t s) { return libevtx_record_get_utf16_string(r, k, u, s, nullptr); });
            std::string source;
            for (char16_t u : provider)
                source.push_back(u <= 0xFF ? static_cast<char>(u) : '?');
            v.Connection = ((id & 0xFFFF) == kEvtxWithSpeed || (id & 0xFFFF) == kEvtxWithoutSpeed) && IsRemoteAccess(source);
            out.emplace(number, std::move(v));
        }
        libevtx_record_free(&r, nullptr);
    }
    libevtx_file_close(file, nullptr);
    libevtx_file_free(&file, nullptr);
    return out;
}

inline std::u16string Units(const EvtxText& text)
{
    std::u16string out;
    AppendUnits(text, out);
    return out;
}

// Sets the file's and every chunk's checksums to fit their bytes, so that a
// change reaches the readers' parsing instead of their checks.
inline void RepairChecksums(std::string& bytes)
{
    const auto crc = [&bytes](std::size_t at, std::size_t n, uLong c = 0) {
        return crc32(c, reinterpret_cast<const Bytef*>(bytes.data() + at), static_cast<uInt>(n));
    };
    const auto put = [&bytes](std::size_t at, uLong v) {
        for (std::size_t i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<char>(v >> (8 * i));
    };
    if (bytes.size() >= 128)
        put(124, crc(0, 120));
    for (std::size_t at = 4096; at + evtx::kChunkSize <= bytes.size(); at += evtx::kChunkSize) {
        const std::uint32_t free = evtx::Le32(bytes.data() + at + 48);
        if (free >= 512 && free <= evtx::kChunkSize)
            put(at + 52, crc(at + 512, free - 512));
        put(at + 124, crc(at + 128, 384, crc(at, 120)));
    }
}

// What differs, one line each; empty when the two readers agree.
inline std::vector<std::string> Differences(const std::string& bytes, Tally* tally = nullptr)
{
    std::vector<std::string> out;
    // libevtx reads past a chunk whose value counts do not fit, and the scan
    // never gives it one: no reference to compare with.
    for (std::size_t at = 4096; at < bytes.size(); at += evtx::kChunkSize)
        if (!evtx::ValueCountsFit(std::string_view(bytes).substr(at, evtx::kChunkSize)))
            return out;
    const auto lib = LibevtxRecords(bytes);
    const auto ascii = [](const std::u16string& s) {
        std::string out;
        for (char16_t u : s)
            out += u >= 0x20 && u < 0x7F ? std::string(1, static_cast<char>(u)) : "\\" + std::to_string(u);
        return out;
    };
    // Only a file libevtx opens whole has records to compare.
    const auto le16 = [&bytes](std::size_t at) { return evtx::Le16(bytes.data() + at); };
    const bool opens = bytes.size() >= 4096 && evtx::ReadFileHeader(std::string_view(bytes).substr(0, 4096)) &&
                       evtx::Le32(bytes.data() + 32) == 128 && le16(38) == 3 && le16(40) == 4096;
    Tally t;
    for (const auto mode : {EvtxChunkReader::Mode::Everything, EvtxChunkReader::Mode::Connections}) {
        const bool everything = mode == EvtxChunkReader::Mode::Everything;
        EvtxChunkReader reader(mode);
        std::map<std::uint64_t, int> used;  // record numbers may repeat
        for (std::size_t at = 4096; opens && at < bytes.size(); at += evtx::kChunkSize) {
            // As the scan reads: only chunks whose checksums are right.
            const std::string_view chunk = std::string_view(bytes).substr(at, evtx::kChunkSize);
            if (!reader.Read(chunk, evtx::CheckChunk(chunk))) {
                t.HandedBack += everything;
                continue;
            }
            for (const EvtxFastRecord& r : reader.Records()) {
                const std::string where = "record " + std::to_string(r.Number) + ": ";
                if (r.What == EvtxFastRecord::Kind::HandedBack) {
                    t.HandedBack += everything;
                    continue;
                }
                auto [from, to] = lib.equal_range(r.Number);
                for (int k = used[r.Number]++; k > 0 && from != to; --k)
                    ++from;
                if (from == to) {
                    // libevtx could not give it: read as no connection, it is no loss.
                    if (r.What == EvtxFastRecord::Kind::Values)
                        out.push_back(where + "read, but libevtx cannot give it whole");
                    continue;
                }
                if (r.What == EvtxFastRecord::Kind::NotConnection) {
                    if (from->second.Connection)
                        out.push_back(where + "a connection event said to be none");
                    continue;
                }
                t.Read += everything;
                std::u16string text = Number(true, r.EventId) + u"|" + Number(r.HasQualifiers, r.Qualifiers) + u"|" +
                                      (r.HasProvider ? Units(r.Provider) : u"-") + u"|" +
                                      (r.HasComputer ? Units(r.Computer) : u"-");
                for (const EvtxText& s : reader.Strings(r))
                    text += u"|" + Units(s);
                if (text != from->second.Text)
                    out.push_back(where + ascii(text) + " against " + ascii(from->second.Text));
            }
        }
    }
    if (tally != nullptr)
        *tally = t;
    return out;
}

}  // namespace vy::evtxdiff
