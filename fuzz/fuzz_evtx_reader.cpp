// Feeds arbitrary bytes to the event log file reader, as a file in memory,
// and checks what must hold for any file: no crash, no read outside it, and
// connections that are whole records with values as the rules make them.

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "scan/evtx_reader.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

// libevtx itself leaks parts of a damaged record's XML tree (seen in
// Debian's 20181227 build): not ours to fix, and not to end the run.
extern "C" const char* __lsan_default_suppressions() { return "leak:libevtx.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const vy::EventList events("20251;20272");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(vy::IsEvtxHead(bytes) == (size >= 8 && bytes.substr(0, 8) == std::string_view("ElfFile\0", 8)));
    const vy::EvtxFileRead read = vy::ReadEvtxBytes(bytes, events);
    const vy::EvtxCounts& n = read.Counts;
    Check(n.Records >= 0 && n.Unread >= 0 && n.Unreadable >= 0 && n.RecoveredUnread <= n.Recovered);
    Check(static_cast<std::int64_t>(read.Connections.size()) + n.Unreadable <= n.Records);
    // A first place is a record number, or -1 where none is known (every
    // one of its kind too great to be real).
    for (auto [count, first] : {std::pair{n.Unreadable, n.FirstUnreadable}, std::pair{n.Copies, n.FirstCopy},
                                std::pair{n.Unread, n.FirstUnread}})
        Check(count >= 0 && first >= -1 && (count > 0 || first == -1));
    Check(n.ChunksMissing >= 0 && n.ChunksMissing <= n.ChunksNamed);
    std::int64_t doubted = 0;
    for (const auto& chunk : n.DamagedChunks) {
        Check(chunk.Chunk >= 0 && chunk.Connections >= 0 && chunk.OtherRecords >= 0);
        doubted += chunk.Connections + chunk.OtherRecords;
    }
    Check(doubted <= n.Records);
    for (const vy::EvtxConnection& c : read.Connections) {
        Check(c.ActiveTime >= 0);
        for (std::uint32_t name : {c.Domain, c.User, c.Server, c.Port, c.Speed})
            Check(name < read.Names.size());
        for (char ch : read.Names[c.User])
            Check(ch < 'A' || ch > 'Z');
    }
    return 0;
}
