#include "scan/evtx_fast_reader.h"

#include <algorithm>

#include "scan/event_strings.h"
#include "scan/evtx_layout.h"

namespace vy {

namespace {

using namespace evtx;

constexpr std::size_t kRecordAlignment = 8;
// libevtx passes over, without a word, a record that ends at or just short
// of its chunk's end: such a chunk is left to it.
constexpr std::size_t kChunkEndRoom = 16;

// Value types.
enum : unsigned char {
    kStringType = 0x01,
    kUInt16Type = 0x06,
    kBinaryType = 0x0E,
    kBinXmlType = 0x21,
    kStringArrayType = 0x81,
};

// Whether a substitution value of this type and size is one libevtx reads
// as written; any other is left to it.
bool IsValueOfType(unsigned char type, std::size_t size)
{
    switch (type) {
    case 0x00: return true;  // null, sometimes with bytes that carry nothing
    case 0x03: case 0x04: return size == 1;  // 8-bit integers
    case 0x05: case 0x06: return size == 2;
    case 0x07: case 0x08: case 0x0B: case 0x0D: case 0x14: return size == 4;  // 32-bit, real, boolean
    case 0x09: case 0x0A: case 0x0C: case 0x11: case 0x15: return size == 8;  // 64-bit, real, file time
    case 0x0F: case 0x12: return size == 16;  // GUID, system time
    case 0x10: return size == 4 || size == 8;  // a size
    case 0x13: return size >= 8;  // a security identifier
    case 0x01: case 0x81: return size % 2 == 0;  // UTF-16 texts
    case 0x02: case 0x0E: case 0x21: return true;  // ANSI text, binary data, binary XML
    default: return false;
    }
}

// A name of the chunk, UTF-16, against a name of ASCII letters.
bool NameIs(std::string_view utf16, std::string_view ascii)
{
    if (utf16.size() != 2 * ascii.size())
        return false;
    for (std::size_t i = 0; i < ascii.size(); ++i)
        if (utf16[2 * i] != ascii[i] || utf16[2 * i + 1] != 0)
            return false;
    return true;
}

// libevtx turns a surrogate that is not half of a pair, and the unit after
// it, into one replacement character: texts with surrogates are left to it.
bool HasSurrogates(std::string_view utf16)
{
    for (std::size_t i = 1; i < utf16.size(); i += 2)
        if ((static_cast<unsigned char>(utf16[i]) & 0xF8) == 0xD8)
            return true;
    return false;
}

bool IsRemoteAccessText(const EvtxText& text)
{
    std::string bytes;
    AppendSingleBytes(text, bytes);
    return IsRemoteAccess(bytes);
}

using Template = EvtxChunkReader::Template;
using Item = EvtxChunkReader::Item;

// One template definition's binary XML, walked once: where the values a
// connection needs stand. Any token it does not know ends the walk, and
// the template's records are handed back.
class TemplateReader {
public:
    TemplateReader(std::string_view chunk, std::size_t at, std::size_t end, Template& out)
        : chunk_(chunk), at_(at), end_(end), out_(out)
    {
    }

    bool Read()
    {
        if (!Take(kFragmentHeader.size()) || chunk_.substr(at_ - kFragmentHeader.size(), 4) != kFragmentHeader)
            return false;
        out_.StringsKnown = true;
        if (!Element(Place::Root) || !Take(1) || chunk_[at_ - 1] != kEndOfFragment || at_ != end_)
            return false;
        return out_.EventData || out_.EventId.What != Item::Kind::None;
    }

private:
    enum class Place { Root, Event, System, Provider, EventId, Computer, EventData, Data, Binary, Other };

    bool Take(std::size_t n)
    {
        if (end_ - at_ < n)
            return false;
        at_ += n;
        return true;
    }
    unsigned char Peek() const { return at_ < end_ ? static_cast<unsigned char>(chunk_[at_]) : 0xFF; }

    // A name by its offset; written out in place when the offset is that of
    // the bytes that follow.
    bool Name(std::string_view& name)
    {
        if (!Take(4))
            return false;
        const std::size_t offset = Le32(chunk_.data() + at_ - 4);
        const bool here = offset == at_;
        if (offset + 8 > chunk_.size())
            return false;
        const std::size_t bytes = 2u * Le16(chunk_.data() + offset + 6);
        if (offset + 8 + bytes + 2 > chunk_.size())
            return false;
        name = chunk_.substr(offset + 8, bytes);
        // Ended by a NUL, and its hash that of its text: libevtx may know a
        // name by either.
        std::uint32_t hash = 0;
        for (std::size_t i = 0; i < bytes; i += 2)
            hash = hash * 65599 + Le16(name.data() + i);
        if (Le16(chunk_.data() + offset + 8 + bytes) != 0 || Le16(chunk_.data() + offset + 4) != (hash & 0xFFFF))
            return false;
        return !here || Take(8 + bytes + 2);
    }

    Place Within(Place parent, std::string_view name)
    {
        switch (parent) {
        case Place::Root:
            if (NameIs(name, "Event"))
                return Place::Event;
            // The event data of a classic source's event, as a value of
            // its own.
            out_.EventData = NameIs(name, "EventData");
            return out_.EventData ? Place::EventData : Place::Other;
        case Place::Event:
            if (NameIs(name, "System"))
                return Place::System;
            if (NameIs(name, "EventData"))
                return Place::EventData;
            out_.StringsKnown = false;  // UserData, or what else there may be
            return Place::Other;
        case Place::System:
            if (NameIs(name, "Provider"))
                return Place::Provider;
            if (NameIs(name, "EventID"))
                return Place::EventId;
            if (NameIs(name, "Computer"))
                return Place::Computer;
            return Place::Other;
        case Place::EventData:
            if (NameIs(name, "Data"))
                return Place::Data;
            if (NameIs(name, "Binary"))
                return Place::Binary;
            out_.StringsKnown = false;
            return Place::Other;
        case Place::Data:
        case Place::Binary: out_.StringsKnown = false; return Place::Other;
        default: return Place::Other;
        }
    }

    // A text or a substitution, as an attribute's value or an element's
    // content; more than one in the same place counts as many.
    bool Content(Item& item, int& items)
    {
        const unsigned char token = Peek() & ~kMore;
        ++items;
        if (token == kValueText) {
            if (!Take(4) || static_cast<unsigned char>(chunk_[at_ - 3]) != kStringType)
                return false;
            const std::size_t bytes = 2u * Le16(chunk_.data() + at_ - 2);
            if (!Take(bytes))
                return false;
            item.What = Item::Kind::Text;
            item.Text = {chunk_.substr(at_ - bytes, bytes), false};
            return true;
        }
        if (!Take(4))
            return false;
        item.What = Item::Kind::Value;
        item.Optional = token == kOptionalSubstitution;
        item.Index = Le16(chunk_.data() + at_ - 3);
        out_.Values = std::max<std::uint16_t>(out_.Values, static_cast<std::uint16_t>(item.Index + 1u));
        return item.Index < 0xFFFF;
    }

    // A substitution marked as followed by more is not one libevtx reads:
    // its record is left to it.
    static bool IsContent(unsigned char token)
    {
        return (token & ~kMore) == kValueText || token == kSubstitution || token == kOptionalSubstitution;
    }

    bool Element(Place parent)
    {
        const unsigned char token = Peek();
        std::string_view name;
        // The token, a dependency, the size of the rest, the name.
        if ((token & ~kMore) != kOpenElement || !Take(1 + 2 + 4))
            return false;
        const std::size_t elementEnd = at_ + Le32(chunk_.data() + at_ - 4);
        if (!Name(name))
            return false;
        const Place place = Within(parent, name);
        if ((parent == Place::Root && place != Place::Event && place != Place::EventData) || depth_ == kDeepest)
            return false;
        if (parent == Place::Provider || parent == Place::EventId || parent == Place::Computer)
            return false;  // what libevtx would make of it is not known
        Item* named = nullptr;
        switch (place) {
        case Place::Provider: named = &out_.Provider; break;
        case Place::EventId: named = &out_.EventId; break;
        case Place::Computer: named = &out_.Computer; break;
        default: break;
        }
        if (named != nullptr && (named->What != Item::Kind::None || seen_[static_cast<int>(place)]))
            return false;  // twice
        seen_[static_cast<int>(place)] = true;
        if ((token & kMore) != 0 && !Attributes(place))
            return false;
        if (Peek() == kCloseEmpty) {
            Take(1);
            return at_ == elementEnd && Closed(place, Item(), 0);
        }
        if (Peek() != kCloseStart)
            return false;
        Take(1);
        Item content;
        int items = 0;
        for (;;) {
            const unsigned char next = Peek();
            if (next == kEndElement) {
                Take(1);
                return at_ == elementEnd && Closed(place, content, items);
            }
            if ((next & ~kMore) == kOpenElement) {
                ++depth_;
                const bool read = Element(place);
                --depth_;
                if (!read)
                    return false;
                if (place == Place::Data || place == Place::Binary)
                    out_.StringsKnown = false;
            } else if (IsContent(next)) {
                if (!Content(content, items))
                    return false;
            } else {
                return false;
            }
        }
    }

    // The attributes, after the size of them all. Of the elements whose
    // values are taken, an attribute not known makes the template unknown.
    bool Attributes(Place place)
    {
        if (!Take(4))
            return false;
        const std::size_t end = at_ + Le32(chunk_.data() + at_ - 4);
        while ((Peek() & ~kMore) == kAttribute) {
            std::string_view attribute;
            if (!Take(1) || !Name(attribute))
                return false;
            Item ignored;
            Item* into = &ignored;
            if (place == Place::Provider) {
                if (NameIs(attribute, "Name"))
                    into = &out_.Provider;
                else if (NameIs(attribute, "EventSourceName"))
                    into = &sourceName_;
                else if (!NameIs(attribute, "Guid"))
                    return false;
            } else if (place == Place::EventId) {
                if (!NameIs(attribute, "Qualifiers"))
                    return false;
                into = &out_.Qualifiers;
            } else if (place == Place::Computer) {
                return false;
            }
            int items = 0;
            while (IsContent(Peek()))
                if (!Content(*into, items))
                    return false;
            if (items != 1 && into != &ignored)
                return false;
        }
        return at_ == end;
    }

    bool Closed(Place place, Item content, int items)
    {
        switch (place) {
        case Place::EventId:
        case Place::Computer:
            if (items != 1)
                return false;
            (place == Place::EventId ? out_.EventId : out_.Computer) = content;
            return true;
        case Place::Data:
        case Place::Binary:
            if (items != 1)
                out_.StringsKnown = false;
            content.Binary = place == Place::Binary;
            out_.Strings.push_back(content);
            return true;
        case Place::Provider: return Settle();
        case Place::Event:
            // The event data as a value of binary XML, or nothing.
            if (items > 1 || (items == 1 && (content.What != Item::Kind::Value || eventData_)))
                out_.StringsKnown = false;
            out_.EventDataValue = content;
            return true;
        case Place::EventData:
            eventData_ = true;
            if (items > 0)
                out_.StringsKnown = false;
            return true;
        default: return true;
        }
    }

    // The provider's name: libevtx may take it from EventSourceName as well
    // as from Name; where they differ, it is known only when neither is
    // RemoteAccess.
    bool Settle()
    {
        const Item& name = out_.Provider;
        const auto notRemote = [](const Item& i) { return i.What == Item::Kind::None || (i.What == Item::Kind::Text && !IsRemoteAccessText(i.Text)); };
        if (sourceName_.What != Item::Kind::None &&
            !(name.What == Item::Kind::Text && sourceName_.What == Item::Kind::Text && name.Text.Bytes == sourceName_.Text.Bytes))
            out_.ProviderMixed = true;
        out_.NotRemoteAccess = notRemote(name) && notRemote(sourceName_);
        return true;
    }

    std::string_view chunk_;
    std::size_t at_;
    std::size_t end_;
    Template& out_;
    // Deeper elements are left to libevtx, and the stack bounded.
    static constexpr int kDeepest = 64;
    int depth_ = 0;
    Item sourceName_;
    bool seen_[10] = {};
    bool eventData_ = false;  // an EventData element seen
};

}  // namespace

void AppendUnits(const EvtxText& text, std::u16string& out)
{
    if (text.Binary) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (char c : text.Bytes) {
            out.push_back(static_cast<char16_t>(kHex[static_cast<unsigned char>(c) >> 4]));
            out.push_back(static_cast<char16_t>(kHex[static_cast<unsigned char>(c) & 0xF]));
        }
        return;
    }
    for (std::size_t i = 0; i + 1 < text.Bytes.size(); i += 2) {
        const char16_t u = Le16(text.Bytes.data() + i);
        if (u == 0)
            return;
        out.push_back(u);
    }
}

void AppendSingleBytes(const EvtxText& text, std::string& out)
{
    if (text.Binary) {
        std::u16string units;
        AppendUnits(text, units);
        out.append(units.begin(), units.end());
        return;
    }
    const std::size_t n = text.Bytes.size() / 2;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t u = Le16(text.Bytes.data() + 2 * i);
        if (u == 0)
            return;
        if (u == 0x200E || u == 0x200F)
            continue;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
            const std::uint16_t low = Le16(text.Bytes.data() + 2 * i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF)
                ++i;
        }
        out.push_back(u <= 0xFF ? static_cast<char>(u) : '?');
    }
}

const Template* EvtxChunkReader::TemplateAt(std::uint32_t offset)
{
    const auto known = templateAt_.find(offset);
    if (known != templateAt_.end())
        return &templates_[known->second];
    Template t;
    if (offset >= kChunkHeader && offset + kTemplateHeaderBytes <= chunk_.size()) {
        const std::size_t size = Le32(chunk_.data() + offset + 20);
        if (size <= chunk_.size() - offset - kTemplateHeaderBytes) {
            t.Id = Le32(chunk_.data() + offset + 4);
            t.Size = static_cast<std::uint32_t>(kTemplateHeaderBytes + size);
            const std::size_t at = offset + kTemplateHeaderBytes;
            t.Ok = TemplateReader(chunk_, at, at + size, t).Read();
        }
    }
    templateAt_.emplace(offset, templates_.size());
    templates_.push_back(std::move(t));
    return &templates_.back();
}

bool EvtxChunkReader::Open(std::string_view fragment, Instance& out)
{
    // The fragment header, then the template instance: its template's
    // identifier and offset, the definition itself where it is first used.
    const std::size_t base = static_cast<std::size_t>(fragment.data() - chunk_.data());
    if (fragment.size() < 14 || fragment.substr(0, 4) != kFragmentHeader ||
        static_cast<unsigned char>(fragment[4]) != kTemplateInstance)
        return false;
    const std::uint32_t id = Le32(fragment.data() + 6);
    const std::uint32_t offset = Le32(fragment.data() + 10);
    std::size_t at = 14;
    out.T = TemplateAt(offset);
    if (!out.T->Ok || out.T->Id != id)
        return false;
    if (offset == base + at) {
        if (fragment.size() - at < out.T->Size)
            return false;
        at += out.T->Size;
    }
    out.Bytes = fragment;
    out.Descriptors = at;
    return true;
}

bool EvtxChunkReader::Count(Instance& in, std::vector<std::uint32_t>& valueAt)
{
    // The number of values, their sizes and types, the values, and the
    // fragment's end.
    const std::string_view b = in.Bytes;
    std::size_t at = in.Descriptors;
    if (b.size() - at < 4)
        return false;
    const std::uint32_t count = Le32(b.data() + at);
    at += 4;
    if (count < in.T->Values || (b.size() - at) / 4 < count)
        return false;
    in.Descriptors = at;
    std::size_t end = at + 4u * count;
    valueAt.resize(in.T->Values);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i < in.T->Values)
            valueAt[i] = static_cast<std::uint32_t>(end);
        const std::uint16_t size = Le16(b.data() + at + 4 * i);
        if (!IsValueOfType(static_cast<unsigned char>(b[at + 4 * i + 2]), size))
            return false;
        end += size;
    }
    in.At = valueAt.data();
    if (end >= b.size() || b[end] != kEndOfFragment || b.size() - end > kRecordAlignment)
        return false;
    return true;  // what follows is padding to a multiple of eight bytes
}

EvtxChunkReader::Value EvtxChunkReader::Instance::Get(const Item& item) const
{
    const char* descriptor = Bytes.data() + Descriptors + 4u * item.Index;
    return {Bytes.substr(At[item.Index], Le16(descriptor)), static_cast<unsigned char>(descriptor[2])};
}

bool EvtxChunkReader::Text(const Instance& in, const Item& item, EvtxText& out)
{
    if (item.What == Item::Kind::Text) {
        out = item.Text;
        return !HasSurrogates(out.Bytes);
    }
    if (item.What != Item::Kind::Value)
        return false;
    const Value v = in.Get(item);
    out = {v.Bytes, false};
    // An optional substitution left empty: libevtx may leave out its place.
    return v.Type == kStringType && v.Bytes.size() % 2 == 0 && !(item.Optional && v.Bytes.empty()) &&
           !HasSurrogates(v.Bytes);
}

bool EvtxChunkReader::Number(const Instance& in, const Item& item, std::uint32_t& out)
{
    if (item.What != Item::Kind::Value)
        return false;
    const Value v = in.Get(item);
    if (v.Type != kUInt16Type || v.Bytes.size() != 2)
        return false;
    out = Le16(v.Bytes.data());
    return true;
}

bool EvtxChunkReader::AddStrings(const Instance& in)
{
    for (const Item& item : in.T->Strings) {
        if (item.What != Item::Kind::Value) {
            strings_.push_back(item.Text);
            continue;
        }
        const Value v = in.Get(item);
        if (item.Optional && v.Bytes.empty())
            continue;  // the element is left out, and with it its string
        if (item.Binary) {
            if (v.Type != kBinaryType)
                return false;
            strings_.push_back({v.Bytes, true});
        } else if (v.Type == kStringArrayType) {
            // Each string ends in a NUL, the last one too.
            if (v.Bytes.size() % 2 != 0 || v.Bytes.size() < 2 || Le16(v.Bytes.data() + v.Bytes.size() - 2) != 0 ||
                HasSurrogates(v.Bytes))
                return false;
            std::size_t from = 0;
            for (std::size_t i = 0; i < v.Bytes.size(); i += 2)
                if (Le16(v.Bytes.data() + i) == 0) {
                    strings_.push_back({v.Bytes.substr(from, i - from), false});
                    from = i + 2;
                }
        } else {
            EvtxText text;
            if (!Text(in, item, text))
                return false;
            strings_.push_back(text);
        }
    }
    return true;
}

void EvtxChunkReader::ReadRecord(std::string_view record, EvtxFastRecord& out)
{
    out.What = EvtxFastRecord::Kind::HandedBack;
    Instance event;
    // The record's size again ends it.
    if (!Open(record.substr(kRecordHeader, record.size() - kRecordHeader - 4), event))
        return;
    const Template& t = *event.T;
    const bool connections = mode_ == Mode::Connections;
    if (t.EventData)
        return;
    if (connections && t.NotRemoteAccess) {
        out.What = EvtxFastRecord::Kind::NotConnection;
        return;
    }
    if (!Count(event, valueAt_) || !Number(event, t.EventId, out.EventId))
        return;
    if (connections && out.EventId != kEvtxWithSpeed && out.EventId != kEvtxWithoutSpeed) {
        out.What = EvtxFastRecord::Kind::NotConnection;
        return;
    }
    if (t.ProviderMixed)
        return;
    out.HasProvider = t.Provider.What != Item::Kind::None;
    if (out.HasProvider && !Text(event, t.Provider, out.Provider))
        return;
    if (connections && (!out.HasProvider || !IsRemoteAccessText(out.Provider))) {
        out.What = EvtxFastRecord::Kind::NotConnection;
        return;
    }
    // Qualifiers optional and left empty: none, as when the template has none.
    out.HasQualifiers = t.Qualifiers.What != Item::Kind::None &&
                        !(t.Qualifiers.What == Item::Kind::Value && t.Qualifiers.Optional && event.Get(t.Qualifiers).Bytes.empty());
    out.HasComputer = t.Computer.What != Item::Kind::None;
    if ((out.HasQualifiers && !Number(event, t.Qualifiers, out.Qualifiers)) ||
        (out.HasComputer && !Text(event, t.Computer, out.Computer)) || !t.StringsKnown)
        return;
    out.FirstString = static_cast<std::uint32_t>(strings_.size());
    bool whole = AddStrings(event);
    if (whole && t.EventDataValue.What == Item::Kind::Value) {
        // A classic source's event: its data a template instance of its own.
        const Value v = event.Get(t.EventDataValue);
        Instance data;
        whole = v.Type == kBinXmlType && Open(v.Bytes, data) && data.T->EventData && data.T->StringsKnown &&
                Count(data, dataAt_) && AddStrings(data);
    }
    if (!whole) {
        strings_.resize(out.FirstString);
        return;
    }
    out.Strings = static_cast<std::uint32_t>(strings_.size() - out.FirstString);
    out.What = EvtxFastRecord::Kind::Values;
}

bool EvtxChunkReader::Read(std::string_view chunk, const ChunkCheck& check)
{
    records_.clear();
    strings_.clear();
    templateAt_.clear();
    templates_.clear();
    chunk_ = chunk;
    const char* c = chunk.data();
    // (A sound chunk is whole: its header and records can be read.)
    if (!check.Sound() || chunk.size() != static_cast<std::size_t>(kChunkSize))
        return false;
    const std::uint32_t free = Le32(c + 48);
    // Every record laid from the header to the free space, numbered as the
    // header says, and none in the free space: libevtx may offer those as
    // recovered.
    if (Le32(c + 40) != kChunkTables || free + kChunkEndRoom > kChunkSize || check.Found.empty() ||
        check.Found.size() != check.Last - check.First + 1 || check.Found.back().At != Le32(c + 44) ||
        check.Found.back().At + Le32(c + check.Found.back().At + 4) != free ||
        chunk.substr(free).find(kRecordMagic) != std::string_view::npos)
        return false;
    for (const RecordPlace& place : check.Found) {
        EvtxFastRecord& r = records_.emplace_back();
        r.Number = place.Number;
        if (r.Number != check.First + records_.size() - 1)
            return false;
        ReadRecord(chunk.substr(place.At, Le32(c + place.At + 4)), r);
    }
    return true;
}

}  // namespace vy
