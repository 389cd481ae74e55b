#include "loggen/evtx_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vy::loggen {

namespace {

constexpr std::size_t kHeaderBlock = 4096;
constexpr std::size_t kChunkSize = 65536;
constexpr std::size_t kChunkHeader = 512;
constexpr std::size_t kChunkEndRoom = 16;
constexpr std::int64_t kFiletimeDaysBefore1899 = 109205;  // 1 January 1601 to 30 December 1899

std::uint32_t Crc32(const char* data, std::size_t n, std::uint32_t crc = 0)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i)
        crc = table[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Put(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

void Set(std::string& out, std::size_t at, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::uint32_t Le32(const char* p)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(p[i]);
    return v;
}

void PutUtf16(std::string& out, const std::string& text)
{
    for (char c : text)
        Put(out, static_cast<unsigned char>(c), 2);
}

void PutUtf16(std::string& out, const std::u16string& text)
{
    for (char16_t c : text)
        Put(out, c, 2);
}

// Value types of binary XML.
enum : std::uint8_t {
    kString = 0x01, kUInt8 = 0x04, kUInt16 = 0x06, kUInt64 = 0x0A, kFileTime = 0x11, kHexInt64 = 0x15
};

// Binary XML of one record, written where it will stand in its chunk:
// names and template definitions are referred to by their chunk offsets.
class BinXml {
public:
    BinXml(std::string& out, std::size_t base, std::map<std::string, std::uint32_t>& names)
        : out_(out), base_(base), names_(names)
    {
    }
    std::uint32_t Here() const { return static_cast<std::uint32_t>(base_ + out_.size()); }
    std::string& Out() { return out_; }

    void FragmentHeader() { out_.append("\x0F\x01\x01\x00", 4); }

    // The name's offset, and the name itself the first time in the chunk.
    void Name(const std::string& name)
    {
        const auto known = names_.find(name);
        if (known != names_.end()) {
            Put(out_, known->second, 4);
            return;
        }
        const std::uint32_t at = Here() + 4;
        names_[name] = at;
        Put(out_, at, 4);
        Put(out_, 0, 4);  // the next name of the same hash: none
        std::uint32_t hash = 0;
        for (char c : name)
            hash = hash * 65599 + static_cast<unsigned char>(c);
        Put(out_, hash & 0xFFFF, 2);
        Put(out_, name.size(), 2);
        PutUtf16(out_, name);
        Put(out_, 0, 2);
    }

    // Opens an element; Close or CloseEmpty ends it. With attributes, they
    // follow, then StartContent.
    void Open(const std::string& name, bool attributes = false)
    {
        out_.push_back(static_cast<char>(attributes ? 0x41 : 0x01));
        Put(out_, 0xFFFF, 2);  // depends on no substitution
        sizes_.push_back(out_.size());
        Put(out_, 0, 4);
        Name(name);
        if (attributes) {
            attributes_ = out_.size();
            Put(out_, 0, 4);
        }
    }
    void Attribute(const std::string& name, bool more)
    {
        out_.push_back(static_cast<char>(more ? 0x46 : 0x06));
        Name(name);
    }
    void EndAttributes() { Set(out_, attributes_, out_.size() - attributes_ - 4, 4); }
    void StartContent() { out_.push_back('\x02'); }
    void Text(const std::string& text)
    {
        out_.append("\x05\x01", 2);
        Put(out_, text.size(), 2);
        PutUtf16(out_, text);
    }
    void Substitution(int index, std::uint8_t type, bool optional = true)
    {
        out_.push_back(static_cast<char>(optional ? 0x0E : 0x0D));
        Put(out_, static_cast<std::uint64_t>(index), 2);
        out_.push_back(static_cast<char>(type));
    }
    void Close() { End('\x04'); }
    void CloseEmpty() { End('\x03'); }

private:
    void End(char token)
    {
        out_.push_back(token);
        const std::size_t at = sizes_.back();
        sizes_.pop_back();
        Set(out_, at, out_.size() - at - 4, 4);
    }

    std::string& out_;
    std::size_t base_;
    std::map<std::string, std::uint32_t>& names_;
    std::vector<std::size_t> sizes_;
    std::size_t attributes_ = 0;
};

// The template of a classic source's event, as Windows gives it: the
// system values and the insertion strings substituted, the provider's
// name and the channel written out.
void WriteTemplate(BinXml& x, const EvtxEvent& e)
{
    x.FragmentHeader();
    x.Open("Event", true);
    x.Attribute("xmlns", false);
    x.Text("http://schemas.microsoft.com/win/2004/08/events/event");
    x.EndAttributes();
    x.StartContent();
    x.Open("System");
    x.StartContent();
    x.Open("Provider", true);
    x.Attribute("Name", false);
    x.Text(e.Provider);
    x.EndAttributes();
    x.CloseEmpty();
    x.Open("EventID", true);
    x.Attribute("Qualifiers", false);
    x.Substitution(0, kUInt16);
    x.EndAttributes();
    x.StartContent();
    x.Substitution(1, kUInt16);
    x.Close();
    x.Open("Level");
    x.StartContent();
    x.Substitution(2, kUInt8);
    x.Close();
    x.Open("Task");
    x.StartContent();
    x.Substitution(3, kUInt16);
    x.Close();
    x.Open("Keywords");
    x.StartContent();
    x.Substitution(4, kHexInt64);
    x.Close();
    x.Open("TimeCreated", true);
    x.Attribute("SystemTime", false);
    x.Substitution(5, kFileTime);
    x.EndAttributes();
    x.CloseEmpty();
    x.Open("EventRecordID");
    x.StartContent();
    x.Substitution(6, kUInt64);
    x.Close();
    x.Open("Channel");
    x.StartContent();
    x.Text("System");
    x.Close();
    x.Open("Computer");
    x.StartContent();
    x.Substitution(7, kString);
    x.Close();
    x.Open("Security");
    x.CloseEmpty();
    x.Close();  // System
    x.Open("EventData");
    x.StartContent();
    for (std::size_t i = 0; i < e.Data.size(); ++i) {
        x.Open("Data");
        x.StartContent();
        // Not optional: an empty string keeps its place among the others.
        x.Substitution(static_cast<int>(8 + i), kString, false);
        x.Close();
    }
    x.Close();  // EventData
    x.Close();  // Event
    x.Out().push_back('\x00');
}

std::uint32_t TemplateId(const std::string& key)
{
    std::uint32_t h = 2166136261u;
    for (char c : key)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

}  // namespace

EvtxWriter::EvtxWriter() { StartChunk(); }

void EvtxWriter::StartChunk()
{
    chunk_.assign(kChunkHeader, '\0');
    chunkFirst_ = next_;
    lastRecord_ = 0;
    names_.clear();
    templates_.clear();
}

bool EvtxWriter::Record(const EvtxEvent& e, std::string& out)
{
    const std::size_t start = chunk_.size();
    const std::uint64_t filetime =
        static_cast<std::uint64_t>((e.Second + kFiletimeDaysBefore1899 * 86400) * 10000000);
    out.clear();
    out.append("**\0\0", 4);
    Put(out, 0, 4);  // the size, set below
    Put(out, next_, 8);
    Put(out, filetime, 8);
    BinXml x(out, start, names_);
    x.FragmentHeader();
    const std::string key = e.Provider + '\n' + std::to_string(e.Data.size());
    const std::uint32_t id = TemplateId(key);
    out.append("\x0C\x01", 2);
    Put(out, id, 4);
    const auto known = templates_.find(key);
    if (known != templates_.end()) {
        Put(out, known->second, 4);
    } else {
        // The definition follows here, the first time in the chunk.
        const std::uint32_t at = x.Here() + 4;
        templates_[key] = at;
        Put(out, at, 4);
        Put(out, 0, 4);  // the next template of the same hash: none
        Put(out, id, 4);
        Put(out, TemplateId(key + "#1"), 4);
        Put(out, TemplateId(key + "#2"), 4);
        Put(out, TemplateId(key + "#3"), 4);
        const std::size_t sizeAt = out.size();
        Put(out, 0, 4);
        WriteTemplate(x, e);
        Set(out, sizeAt, out.size() - sizeAt - 4, 4);
    }
    // The substitution values: their sizes and types, then the values.
    struct Value {
        std::uint8_t Type;
        std::string Bytes;
    };
    std::vector<Value> values;
    auto number = [](std::uint8_t type, std::uint64_t v, int bytes) {
        Value value{type, {}};
        Put(value.Bytes, v, bytes);
        return value;
    };
    auto text = [](const auto& s) {
        Value value{kString, {}};
        PutUtf16(value.Bytes, s);
        return value;
    };
    values.push_back(number(kUInt16, static_cast<std::uint64_t>(e.Qualifiers), 2));
    values.push_back(number(kUInt16, static_cast<std::uint64_t>(e.EventId), 2));
    values.push_back(number(kUInt8, static_cast<std::uint64_t>(e.Level), 1));
    values.push_back(number(kUInt16, 0, 2));
    values.push_back(number(kHexInt64, 0x80000000000000ull, 8));
    values.push_back(number(kFileTime, filetime, 8));
    values.push_back(number(kUInt64, next_, 8));
    values.push_back(text(e.Computer));
    for (const std::u16string& d : e.Data)
        values.push_back(text(d));
    Put(out, values.size(), 4);
    for (const Value& v : values) {
        Put(out, v.Bytes.size(), 2);
        out.push_back(static_cast<char>(v.Type));
        out.push_back('\0');
    }
    for (const Value& v : values)
        out.append(v.Bytes);
    out.push_back('\x00');  // the end of the fragment
    Put(out, 0, 4);
    Set(out, 4, out.size(), 4);
    Set(out, out.size() - 4, out.size(), 4);
    // libevtx passes over, without a word, a record that ends at or just
    // short of its chunk's end: a little room is left there.
    return start + out.size() + kChunkEndRoom <= kChunkSize;
}

void EvtxWriter::Add(const EvtxEvent& event)
{
    std::string record;
    if (!Record(event, record)) {
        CloseChunk();
        StartChunk();
        if (!Record(event, record))
            return;  // larger than a chunk: not written
    }
    lastRecord_ = chunk_.size();
    chunk_.append(record);
    ++next_;
}

void EvtxWriter::CloseChunk()
{
    if (next_ == chunkFirst_)
        return;
    const std::size_t freeAt = chunk_.size();
    std::string& c = chunk_;
    std::memcpy(c.data(), "ElfChnk\0", 8);
    Set(c, 8, chunkFirst_, 8);
    Set(c, 16, next_ - 1, 8);
    Set(c, 24, chunkFirst_, 8);
    Set(c, 32, next_ - 1, 8);
    Set(c, 40, 128, 4);
    Set(c, 44, lastRecord_, 4);
    Set(c, 48, freeAt, 4);
    c.resize(kChunkSize, '\0');
    SealChunk(c, 0);
    chunks_.append(c);
}

void EvtxWriter::SealChunk(std::string& bytes, std::size_t at)
{
    char* c = bytes.data() + at;
    const std::size_t freeAt = std::min<std::size_t>(std::max<std::size_t>(Le32(c + 48), kChunkHeader), kChunkSize);
    Set(bytes, at + 52, Crc32(c + kChunkHeader, freeAt - kChunkHeader), 4);
    Set(bytes, at + 124, Crc32(c + 128, kChunkHeader - 128, Crc32(c, 120)), 4);
}

std::string EvtxWriter::Finish()
{
    CloseChunk();
    const std::size_t chunks = chunks_.size() / kChunkSize;
    std::string file(kHeaderBlock, '\0');
    std::memcpy(file.data(), "ElfFile\0", 8);
    Set(file, 8, 0, 8);
    Set(file, 16, chunks > 0 ? chunks - 1 : 0, 8);
    Set(file, 24, next_, 8);
    Set(file, 32, 128, 4);
    Set(file, 36, 1, 2);  // version 3.1
    Set(file, 38, 3, 2);
    Set(file, 40, kHeaderBlock, 2);
    Set(file, 42, chunks, 2);
    Set(file, 124, Crc32(file.data(), 120), 4);
    file.append(chunks_);
    chunks_.clear();
    next_ = 1;
    StartChunk();
    return file;
}

}  // namespace vy::loggen
