#pragma once
// The fast event log file reader against libevtx, record by record: every
// record the fast reader reads must be one libevtx gives, with the same
// event ID, qualifiers, provider, computer and strings; every record it
// calls no connection must be none by libevtx's values. Records handed back
// are libevtx's alone. Shared by the differential test and fuzz target.

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <QFile>
#include <QTemporaryFile>

#include <libevtx.h>

#include "scan/event_strings.h"
#include "scan/evtx_fast_reader.h"

namespace vy::evtxdiff {

struct Tally {
    std::int64_t Read = 0;  // records whose values were compared
    std::int64_t NotConnection = 0;
    std::int64_t HandedBack = 0;  // records, and chunks' worth of them
    std::int64_t ChunksHandedBack = 0;
};

struct LibRecord {
    std::uint32_t Id = 0;
    int HasQualifiers = 0;  // libevtx's result: 1 given, 0 none
    std::uint32_t Qualifiers = 0;
    std::u16string Provider, Computer;  // u"\xFFFF" when libevtx has none
    std::vector<std::u16string> Strings;
    bool Whole = true;  // every value given
};

// A text of libevtx's, by its size and text getters, up to its first NUL.
inline std::u16string Units(auto size, auto get)
{
    std::size_t n = 0;
    if (size(&n) != 1)
        return u"\xFFFF";
    std::vector<std::uint16_t> buffer(n + 1, 0);
    if (n > 0 && get(buffer.data(), n) != 1)
        return u"\xFFFE";
    std::u16string out;
    for (std::uint16_t u : buffer) {
        if (u == 0)
            break;
        out.push_back(static_cast<char16_t>(u));
    }
    return out;
}

// Every record libevtx gives (recovered ones aside), by record number.
inline std::multimap<std::uint64_t, LibRecord> LibevtxRecords(const std::string& bytes)
{
    std::multimap<std::uint64_t, LibRecord> out;
    QTemporaryFile temp;
    if (!temp.open() || temp.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !temp.flush())
        return out;
    libevtx_file_t* file = nullptr;
    libevtx_file_initialize(&file, nullptr);
    if (libevtx_file_open(file, QFile::encodeName(temp.fileName()).constData(), libevtx_get_access_flags_read(), nullptr) != 1) {
        libevtx_file_free(&file, nullptr);
        return out;
    }
    int n = 0;
    libevtx_file_get_number_of_records(file, &n, nullptr);
    for (int i = 0; i < n; ++i) {
        libevtx_record_t* r = nullptr;
        if (libevtx_file_get_record_by_index(file, i, &r, nullptr) != 1)
            continue;
        LibRecord l;
        std::uint64_t number = 0;
        l.Whole = libevtx_record_get_identifier(r, &number, nullptr) == 1 &&
                  libevtx_record_get_event_identifier(r, &l.Id, nullptr) == 1;
        l.HasQualifiers = libevtx_record_get_event_identifier_qualifiers(r, &l.Qualifiers, nullptr);
        l.Provider = Units([r](std::size_t* n) { return libevtx_record_get_utf16_source_name_size(r, n, nullptr); },
                           [r](std::uint16_t* u, std::size_t n) { return libevtx_record_get_utf16_source_name(r, u, n, nullptr); });
        l.Computer = Units([r](std::size_t* n) { return libevtx_record_get_utf16_computer_name_size(r, n, nullptr); },
                           [r](std::uint16_t* u, std::size_t n) { return libevtx_record_get_utf16_computer_name(r, u, n, nullptr); });
        int strings = 0;
        if (libevtx_record_get_number_of_strings(r, &strings, nullptr) != 1)
            l.Whole = false;
        for (int k = 0; k < strings; ++k)
            l.Strings.push_back(
                Units([r, k](std::size_t* n) { return libevtx_record_get_utf16_string_size(r, k, n, nullptr); },
                      [r, k](std::uint16_t* u, std::size_t n) { return libevtx_record_get_utf16_string(r, k, u, n, nullptr); }));
        libevtx_record_free(&r, nullptr);
        out.emplace(number, std::move(l));
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

inline std::string Ascii(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// Sets the file's and every chunk's checksums to fit their bytes, so that a change reaches
// the readers' parsing instead of their checks.
inline void RepairChecksums(std::string& bytes)
{
    const auto crc = [](const char* p, std::size_t n, std::uint32_t c = 0) {
        c = ~c;
        for (std::size_t i = 0; i < n; ++i) {
            c ^= static_cast<unsigned char>(p[i]);
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        return ~c;
    };
    const auto put = [&bytes](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<char>(v >> (8 * i));
    };
    if (bytes.size() >= 128)
        put(124, crc(bytes.data(), 120));
    for (std::size_t at = 4096; at + kEvtxChunkBytes <= bytes.size(); at += kEvtxChunkBytes) {
        const char* c = bytes.data() + at;
        std::uint32_t free = 0;
        std::memcpy(&free, c + 48, 4);
        if (free >= 512 && free <= kEvtxChunkBytes)
            put(at + 52, crc(c + 512, free - 512));
        put(at + 124, crc(c + 128, 384, crc(c, 120)));
    }
}

// What differs, one line each; empty when the two readers agree.
inline std::vector<std::string> Differences(const std::string& bytes, Tally* tally = nullptr)
{
    std::vector<std::string> out;
    const auto lib = LibevtxRecords(bytes);
    Tally t;
    for (const auto mode : {EvtxChunkReader::Mode::Everything, EvtxChunkReader::Mode::Connections}) {
        EvtxChunkReader reader(mode);
        std::map<std::uint64_t, int> used;  // record numbers may repeat
        for (std::size_t at = 4096; IsPlainEvtxHeader(bytes) && at < bytes.size(); at += kEvtxChunkBytes) {
            const std::string_view chunk = std::string_view(bytes).substr(at, kEvtxChunkBytes);
            if (!reader.Read(chunk)) {
                t.ChunksHandedBack += mode == EvtxChunkReader::Mode::Everything;
                continue;
            }
            for (const EvtxFastRecord& r : reader.Records()) {
                const std::string where = "record " + std::to_string(r.Number) + ": ";
                if (r.What == EvtxFastRecord::Kind::HandedBack) {
                    t.HandedBack += mode == EvtxChunkReader::Mode::Everything;
                    continue;
                }
                auto [from, to] = lib.equal_range(r.Number);
                for (int k = used[r.Number]++; k > 0 && from != to; --k)
                    ++from;
                if (from == to || !from->second.Whole) {
                    // libevtx could not give it: a record read as no
                    // connection is no loss; values are.
                    if (r.What == EvtxFastRecord::Kind::Values)
                        out.push_back(where + "read, but libevtx gives it not or not whole");
                    continue;
                }
                const LibRecord& l = from->second;
                if (r.What == EvtxFastRecord::Kind::NotConnection) {
                    ++t.NotConnection;
                    const int id = static_cast<int>(l.Id & 0xFFFF);
                    std::string provider;
                    for (char16_t u : l.Provider)
                        provider.push_back(u <= 0xFF ? static_cast<char>(u) : '?');
                    if ((id == kEvtxWithSpeed || id == kEvtxWithoutSpeed) && IsRemoteAccess(provider))
                        out.push_back(where + "a connection event said to be none");
                    continue;
                }
                if (mode == EvtxChunkReader::Mode::Everything)
                    ++t.Read;
                if (r.EventId != l.Id)
                    out.push_back(where + "event ID " + std::to_string(r.EventId) + " against " + std::to_string(l.Id));
                if (r.HasQualifiers != (l.HasQualifiers == 1) || (r.HasQualifiers && r.Qualifiers != l.Qualifiers))
                    out.push_back(where + "qualifiers");
                const std::u16string provider = r.HasProvider ? Units(r.Provider) : u"\xFFFF";
                const std::u16string computer = r.HasComputer ? Units(r.Computer) : u"\xFFFF";
                if (provider != l.Provider)
                    out.push_back(where + "provider " + Ascii(provider) + " against " + Ascii(l.Provider));
                if (computer != l.Computer)
                    out.push_back(where + "computer " + Ascii(computer) + " against " + Ascii(l.Computer));
                const auto strings = reader.Strings(r);
                if (strings.size() != l.Strings.size())
                    out.push_back(where + std::to_string(strings.size()) + " strings against " + std::to_string(l.Strings.size()));
                for (std::size_t k = 0; k < strings.size() && k < l.Strings.size(); ++k)
                    if (Units(strings[k]) != l.Strings[k])
                        out.push_back(where + "string " + std::to_string(k) + " " + Ascii(Units(strings[k])) + " against " +
                                      Ascii(l.Strings[k]));
            }
        }
    }
    if (tally != nullptr)
        *tally = t;
    return out;
}

}  // namespace vy::evtxdiff
