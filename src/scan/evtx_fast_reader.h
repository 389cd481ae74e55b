#pragma once
// Event log file (.evtx) chunks read directly, for what a connection needs.
// Each template a chunk defines is read once; of a record, only its
// template instance's substitution values are looked at, and only those
// the template puts where a connection's values stand. No XML is built.
// Whatever this reader cannot read for certain (a record without a
// template instance, a token or value type it does not know, a chunk whose
// header or record layout is not as written) is handed back, for libevtx to
// read.

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/evtx_layout.h"

namespace vy {

// A text of a record where it stands in its chunk: UTF-16 (little-endian),
// or binary data, which libevtx shows as upper-case hexadecimal digits.
struct EvtxText {
    std::string_view Bytes;
    bool Binary = false;
};

// The text as UTF-16 code units, up to its first NUL.
void AppendUnits(const EvtxText& text, std::u16string& out);
// The text as single bytes, as the scan takes every text of an event log
// file: a character above U+00FF (a surrogate pair counting as one, a lone
// surrogate too) becomes "?", and the direction marks U+200E and U+200F
// that Windows puts into dates are left out.
void AppendSingleBytes(const EvtxText& text, std::string& out);

struct EvtxFastRecord {
    enum class Kind : std::uint8_t {
        Values,         // the values below
        NotConnection,  // not RemoteAccess, or another event ID: values not read
        HandedBack,     // for libevtx to read
    };
    Kind What = Kind::HandedBack;
    bool HasProvider = false;
    bool HasQualifiers = false;
    bool HasComputer = false;
    std::uint64_t Number = 0;
    std::uint32_t EventId = 0;  // qualifiers aside
    std::uint32_t Qualifiers = 0;
    EvtxText Provider;
    EvtxText Computer;
    std::uint32_t FirstString = 0;  // the insertion strings, in the reader's Strings
    std::uint32_t Strings = 0;
};

// The two connection events, with and without the port speed.
inline constexpr int kEvtxWithSpeed = 20251;
inline constexpr int kEvtxWithoutSpeed = 20272;

class EvtxChunkReader {
public:
    // Connections: a record that cannot be a connection event is only said
    // to be none. Everything: every record's values (to compare readers).
    enum class Mode { Connections, Everything };
    explicit EvtxChunkReader(Mode mode = Mode::Connections) : mode_(mode) {}

    // Reads one whole chunk, as checked; false when the chunk is handed back
    // whole. Records and texts point into chunk, and hold until the next Read.
    bool Read(std::string_view chunk, const evtx::ChunkCheck& check);
    const std::vector<EvtxFastRecord>& Records() const { return records_; }
    std::span<const EvtxText> Strings(const EvtxFastRecord& record) const
    {
        return std::span<const EvtxText>(strings_).subspan(record.FirstString, record.Strings);
    }

    // Where the template puts a value: not at all, as its own text, or as
    // the substitution value of an index.
    struct Item {
        enum class Kind : std::uint8_t { None, Text, Value } What = Kind::None;
        bool Binary = false;  // an EventData Binary element
        bool Optional = false;  // a substitution that may be left out
        std::uint16_t Index = 0;
        EvtxText Text;
    };
    // What one template says, read once a chunk.
    struct Template {
        bool Ok = false;            // every token known, the shape as expected
        bool StringsKnown = false;  // no UserData, and EventData holds Data and Binary alone
        bool NotRemoteAccess = false;  // its provider's name, written out, says so
        bool ProviderMixed = false;  // an EventSourceName beside the Name, not the same
        bool EventData = false;  // EventData alone, for the value that holds a classic event's data
        std::uint32_t Id = 0;  // the first bytes of its identifier
        std::uint32_t Size = 0;  // of the definition, its header included
        std::uint16_t Values = 0;  // the substitutions used: the highest index + 1
        Item Provider, EventId, Qualifiers, Computer;
        Item EventDataValue;  // the value that holds the event data, if any
        std::vector<Item> Strings;
    };

private:
    struct Value {
        std::string_view Bytes;
        unsigned char Type = 0;
    };
    // A template instance: its template, and its values once counted.
    struct Instance {
        const Template* T = nullptr;
        std::string_view Bytes;  // the fragment
        std::size_t Descriptors = 0;  // in Bytes: the values' sizes and types
        const std::uint32_t* At = nullptr;  // in Bytes: each value used
        Value Get(const Item& item) const;
    };

    const Template* TemplateAt(std::uint32_t offset);
    bool Open(std::string_view fragment, Instance& out);
    static bool Count(Instance& in, std::vector<std::uint32_t>& valueAt);
    static bool Text(const Instance& in, const Item& item, EvtxText& out);
    static bool Number(const Instance& in, const Item& item, std::uint32_t& out);
    bool AddStrings(const Instance& in);
    void ReadRecord(std::string_view record, EvtxFastRecord& out);

    Mode mode_;
    std::string_view chunk_;
    std::vector<EvtxFastRecord> records_;
    std::vector<EvtxText> strings_;
    std::unordered_map<std::uint32_t, std::size_t> templateAt_;  // offset: index in templates_
    std::deque<Template> templates_;  // where records point
    std::vector<std::uint32_t> valueAt_;  // of the record in hand
    std::vector<std::uint32_t> dataAt_;   // of its event data
};

}  // namespace vy
