#include "scan/evtx_damage_sentences.h"

#include <vector>

#include "scan/counted.h"

namespace vy {

namespace {

// "(record 5)" for one, "(the first: record 5)" for more; nothing when the
// number is not known.
std::string FirstRecord(std::int64_t n, std::int64_t first)
{
    if (first < 0)
        return "";
    return n == 1 ? " (record " + std::to_string(first) + ")" : " (the first: record " + std::to_string(first) + ")";
}

std::string DamagedChunks(const std::vector<EvtxCounts::DamagedChunk>& chunks)
{
    const bool one = chunks.size() == 1;
    std::string text = one ? "chunk " : "chunks ";
    std::int64_t connections = 0, others = 0;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == chunks.size() ? " and " : ", ") + std::to_string(chunks[i].Chunk + 1);
        connections += chunks[i].Connections;
        others += chunks[i].OtherRecords;
    }
    text += one ? " fails its checksum: " : " fail their checksums: ";
    const std::string from = one ? " read from it " : " read from them ";
    if (connections > 0 || others == 0)
        text += Counted(connections, "connection", "connections") + from + "may hold damaged values";
    if (others > 0)
        text += (connections > 0 ? ", and " + Counted(others, "other record", "other records") + " "
                                 : Counted(others, "record", "records") + from) +
                (others == 1 ? "may be a damaged connection event" : "may be damaged connection events");
    return text;
}

}  // namespace

std::vector<std::string> EvtxDamageSentences(const EvtxCounts& counts)
{
    std::vector<std::string> sentences;
    if (counts.Unread > 0) {
        std::string text = Counted(counts.Unread, "event record", "event records") + " could not be read" +
                           FirstRecord(counts.Unread, counts.FirstUnread);
        if (counts.ChunksMissing > 0)
            text += ": the file holds " + std::to_string(counts.ChunksNamed - counts.ChunksMissing) + " of the " +
                    Counted(counts.ChunksNamed, "chunk", "chunks") + " its header names";
        sentences.push_back(text);
    }
    if (!counts.DamagedChunks.empty())
        sentences.push_back(DamagedChunks(counts.DamagedChunks));
    if (counts.Copies > 0)
        sentences.push_back(counts.Copies == 1
                                ? "1 copy of a record already read was passed over" + FirstRecord(1, counts.FirstCopy)
                                : Counted(counts.Copies, "copy", "copies") + " of records already read were passed over" +
                                      FirstRecord(counts.Copies, counts.FirstCopy));
    return sentences;
}

}  // namespace vy
