#include "scan/evtx_reader.h"

#include <algorithm>
#include <optional>
#include <fstream>
#include <unordered_map>

#include <cstring>

#include <libbfio.h>
#include <libevtx.h>

#include "scan/event_strings.h"
#include "scan/evtx_fast_reader.h"
#include "scan/evtx_layout.h"
#include "scan/line_parser.h"
#include "scan/record_number_set.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

using namespace evtx;

constexpr int kWithSpeed = 20251;
constexpr int kWithoutSpeed = 20272;

// The file's bytes where they are asked for.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Size() const = 0;
    virtual std::int64_t Read(std::int64_t at, char* out, std::int64_t n) = 0;
};

class FileSource : public ByteSource {
public:
    FileSource(std::ifstream& file, std::int64_t size) : file_(file), size_(size) {}
    std::int64_t Size() const override { return size_; }
    std::int64_t Read(std::int64_t at, char* out, std::int64_t n) override
    {
        file_.clear();
        if (!file_.seekg(at))
            return 0;
        file_.read(out, n);
        return file_.gcount();
    }

private:
    std::ifstream& file_;
    std::int64_t size_;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t Read(std::int64_t at, char* out, std::int64_t n) override
    {
        const std::string_view part = bytes_.substr(std::min(static_cast<std::size_t>(at), bytes_.size()),
                                                    static_cast<std::size_t>(n));
        std::memcpy(out, part.data(), part.size());
        return static_cast<std::int64_t>(part.size());
    }

private:
    std::string_view bytes_;
};

// The first record number of a kind into first, unless one is there; a
// number too great to be a real one tells no place.
void NoteFirst(std::int64_t& first, std::uint64_t number)
{
    if (first < 0 && number <= static_cast<std::uint64_t>(INT64_MAX))
        first = static_cast<std::int64_t>(number);
}

// The library's handles on one chunk given as a file of its own, freed
// however the reading ends.
struct Library {
    libbfio_handle_t* Bytes = nullptr;
    libevtx_file_t* File = nullptr;
    libevtx_error_t* Error = nullptr;
    bool Open = false;

    ~Library()
    {
        if (Open)
            libevtx_file_close(File, nullptr);
        if (File != nullptr)
            libevtx_file_free(&File, nullptr);
        if (Bytes != nullptr)
            libbfio_handle_free(&Bytes, nullptr);
        ClearError();
    }
    void ClearError()
    {
        if (Error != nullptr)
            libevtx_error_free(&Error);
    }
    // A call's result, the error it may leave dropped.
    bool Ok(int result)
    {
        ClearError();
        return result == 1;
    }
    bool OpenMemory(std::vector<char>& file)
    {
        libbfio_error_t* error = nullptr;
        const bool set = libbfio_memory_range_initialize(&Bytes, &error) == 1 &&
                         libbfio_memory_range_set(Bytes, reinterpret_cast<std::uint8_t*>(file.data()), file.size(), &error) == 1;
        if (error != nullptr)
            libbfio_error_free(&error);
        Open = set && Ok(libevtx_file_initialize(&File, &Error)) &&
               Ok(libevtx_file_open_file_io_handle(File, Bytes, libevtx_get_access_flags_read(), &Error));
        return Open;
    }
};

bool Stopped(const EvtxReading& reading)
{
    for (const std::atomic<bool>* flag : {reading.Stop, reading.Cancel})
        if (flag != nullptr && flag->load(std::memory_order_relaxed))
            return true;
    return false;
}

class RecordReader {
public:
    RecordReader(const EventList& events, EvtxFileRead& out) : events_(events), out_(out) {}

    enum Outcome { kRead, kFailed, kCopy };

    // One record of the chunk open in lib, by its index.
    Outcome Read(Library& lib, int index, bool recovered)
    {
        lib_ = &lib;
        libevtx_record_t* record = nullptr;
        const int got = recovered ? libevtx_file_get_recovered_record_by_index(lib.File, index, &record, &lib.Error)
                                  : libevtx_file_get_record_by_index(lib.File, index, &record, &lib.Error);
        if (!lib.Ok(got) || record == nullptr)
            return kFailed;
        std::uint64_t number = 0;
        Outcome outcome = kFailed;
        if (!lib.Ok(libevtx_record_get_identifier(record, &number, &lib.Error)))
            outcome = kFailed;
        else if (seen_.Contains(number)) {
            ++out_.Counts.Copies;
            NoteFirst(out_.Counts.FirstCopy, number);
            outcome = kCopy;
        }
        else if (Examine(record, number)) {
            // A record whose event could not be told is left unread: it is
            // counted among the missing numbers.
            seen_.Insert(number);
            ++out_.Counts.Records;
            outcome = kRead;
        }
        libevtx_record_free(&record, nullptr);
        return outcome;
    }

    // One record the fast reader read: each is an event told.
    void Read(const EvtxChunkReader& reader, const EvtxFastRecord& record)
    {
        if (seen_.Contains(record.Number)) {
            ++out_.Counts.Copies;
            NoteFirst(out_.Counts.FirstCopy, record.Number);
            return;
        }
        seen_.Insert(record.Number);
        ++out_.Counts.Records;
        if (record.What == EvtxFastRecord::Kind::Values) {
            fast_ = {&reader, &record};
            Examine(nullptr, record.Number);
            fast_ = {};
        }
    }

    const RecordNumberSet& Seen() const { return seen_; }

private:
    // A connection event when from RemoteAccess with one of the two IDs;
    // false when the record's event or source cannot be told.
    bool Examine(libevtx_record_t* record, std::uint64_t number)
    {
        std::uint32_t id = fast_.Record != nullptr ? fast_.Record->EventId : 0;
        if (fast_.Record == nullptr && !lib_->Ok(libevtx_record_get_event_identifier(record, &id, &lib_->Error)))
            return false;
        const int event = static_cast<int>(id & 0xFFFF);  // the qualifiers aside
        if (event != kWithSpeed && event != kWithoutSpeed)
            return true;
        if (!Text(record, kSource, 0))
            return false;
        if (!IsRemoteAccess(source_))
            return true;
        if (!events_.Contains(event)) {
            ++out_.Counts.NotListed[event];
            return true;
        }
        if (!ReadConnection(record, event == kWithSpeed, number)) {
            ++out_.Counts.Unreadable;
            NoteFirst(out_.Counts.FirstUnreadable, number);
        }
        return true;
    }

    // The event's strings and computer as single bytes, then its values.
    bool ReadConnection(libevtx_record_t* record, bool withSpeed, std::uint64_t number)
    {
        int count = fast_.Record != nullptr ? static_cast<int>(fast_.Record->Strings) : 0;
        if (fast_.Record == nullptr && (!lib_->Ok(libevtx_record_get_number_of_strings(record, &count, &lib_->Error)) || count < 0))
            return false;
        strings_.resize(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k)
            if (!Text(record, kString, k, &strings_[static_cast<std::size_t>(k)]))
                return false;
        if (!Text(record, kComputer, 0, &computer_) || !ReadConnectionStrings(withSpeed, computer_, strings_, line_))
            return false;
        EvtxConnection c;
        c.Record = number;
        c.DateTime = line_.DateTime;
        c.Domain = Name(line_.Domain);
        c.User = Name(line_.User);
        c.Server = Name(line_.Server);
        c.Port = Name(line_.Port);
        c.Speed = Name(line_.Speed);
        c.ActiveTime = line_.ActiveTime;
        c.BytesSent = line_.BytesSent;
        c.BytesReceived = line_.BytesReceived;
        out_.Connections.push_back(c);
        return true;
    }

    // Names repeat: each is kept once a file.
    std::uint32_t Name(std::string_view name)
    {
        const auto [at, added] = names_.try_emplace(std::string(name), static_cast<std::uint32_t>(out_.Names.size()));
        if (added)
            out_.Names.emplace_back(name);
        return at->second;
    }

    enum What { kSource, kComputer, kString };

    // One of the record's texts as single bytes into out (source_ when
    // none is given); false when the record has none.
    bool Text(libevtx_record_t* record, What what, int index, std::string* out = nullptr)
    {
        if (fast_.Record != nullptr)
            return FastText(what, index, out != nullptr ? *out : source_);
        std::size_t size = 0;
        int got = 0;
        switch (what) {
        case kSource: got = libevtx_record_get_utf16_source_name_size(record, &size, &lib_->Error); break;
        case kComputer: got = libevtx_record_get_utf16_computer_name_size(record, &size, &lib_->Error); break;
        case kString: got = libevtx_record_get_utf16_string_size(record, index, &size, &lib_->Error); break;
        }
        if (!lib_->Ok(got))
            return false;
        units_.assign(std::max<std::size_t>(size, 1), 0);
        if (size > 0) {
            switch (what) {
            case kSource: got = libevtx_record_get_utf16_source_name(record, units_.data(), size, &lib_->Error); break;
            case kComputer: got = libevtx_record_get_utf16_computer_name(record, units_.data(), size, &lib_->Error); break;
            case kString: got = libevtx_record_get_utf16_string(record, index, units_.data(), size, &lib_->Error); break;
            }
            if (!lib_->Ok(got))
                return false;
        }
        std::string& into = out != nullptr ? *out : source_;
        into.clear();
        AppendSingleBytes({std::string_view(reinterpret_cast<const char*>(units_.data()), 2 * size)}, into);
        return true;
    }

    bool FastText(What what, int index, std::string& out) const
    {
        const EvtxFastRecord& r = *fast_.Record;
        const bool has = what == kString || (what == kSource ? r.HasProvider : r.HasComputer);
        out.clear();
        if (has)
            AppendSingleBytes(what == kSource     ? r.Provider
                              : what == kComputer ? r.Computer
                                                  : fast_.Reader->Strings(r)[static_cast<std::size_t>(index)],
                              out);
        return has;
    }

    Library* lib_ = nullptr;
    struct {
        const EvtxChunkReader* Reader = nullptr;
        const EvtxFastRecord* Record = nullptr;
    } fast_;  // the record in hand when the fast reader read it
    const EventList& events_;
    EvtxFileRead& out_;
    RecordNumberSet seen_;
    std::vector<std::string> strings_;
    std::string computer_;
    ConnectionLine line_;
    std::unordered_map<std::string, std::uint32_t> names_;  // the index of each in out_.Names
    std::vector<std::uint16_t> units_;
    std::string source_;
};

// The number range a chunk accounts for: from its header when that is
// sound, else from the records found in it.
std::optional<std::pair<std::uint64_t, std::uint64_t>> ChunkRange(const ChunkCheck& check)
{
    if (check.HeaderSound)
        return std::make_pair(check.First, check.Last);
    if (check.Found.empty())
        return std::nullopt;
    std::uint64_t low = UINT64_MAX, high = 0;
    for (const RecordPlace& r : check.Found) {
        low = std::min(low, r.Number);
        high = std::max(high, r.Number);
    }
    if (high - low >= kMostRecordsInChunk)
        return std::nullopt;
    return std::make_pair(low, high);
}

// The file chunk by chunk, each given to the library as a file of its own:
// the reading can stop and tell its progress between any two records,
// checks each chunk itself, and reads each record number once. A real log
// numbers its records without a gap from the oldest to the newest, and the
// file header names the next: every number of that span not read is
// counted as unread.
class FileReader {
public:
    FileReader(ByteSource& source, const EventList& events, const EvtxReading& reading, EvtxFileRead& out)
        : source_(source), reading_(reading), out_(out), records_(events, out),
          file_(static_cast<std::size_t>(kHeaderBlock + kChunkSize), '\0')
    {
    }

    void Read()
    {
        const std::int64_t size = source_.Size();
        if (size < kHeaderBlock || source_.Read(0, file_.data(), kHeaderBlock) < kHeaderBlock ||
            !IsEvtxHead(std::string_view(file_.data(), kHeaderBlock)))
            return;
        out_.Counts.Opened = true;
        const std::optional<FileHeader> header = ReadFileHeader(std::string_view(file_.data(), kHeaderBlock));
        OneChunkHeader();
        std::int64_t slots = 0;
        for (std::int64_t at = kHeaderBlock; at + kChunkHeader <= size; at += kChunkSize, ++slots) {
            if (Stopped(reading_))
                return;
            char* chunk = file_.data() + kHeaderBlock;
            const std::int64_t got = source_.Read(at, chunk, std::min(kChunkSize, size - at));
            std::memset(chunk + got, 0, static_cast<std::size_t>(kChunkSize - got));
            Chunk(slots, header && static_cast<std::uint64_t>(slots) == header->OldestChunk);
            if (reading_.BytesDone != nullptr)
                reading_.BytesDone->store(at + got, std::memory_order_relaxed);
        }
        if (Stopped(reading_))
            return;
        const std::int64_t whole = size > kHeaderBlock ? (size - kHeaderBlock) / kChunkSize : 0;
        if (header && header->Chunks > whole) {
            out_.Counts.ChunksNamed = header->Chunks;
            out_.Counts.ChunksMissing = header->Chunks - whole;
        }
        CountMissing(header);
    }

private:
    // The file header as for a file of one chunk.
    void OneChunkHeader()
    {
        char* h = file_.data();
        std::memset(h + 8, 0, 24);  // the oldest and the newest chunk: the one; no next record
        h[42] = 1;
        h[43] = 0;
        std::memset(h + 120, 0, 4);  // not dirty, not full
    }

    void Chunk(std::int64_t index, bool oldest)
    {
        char* chunk = file_.data() + kHeaderBlock;
        const ChunkCheck check = CheckChunk(std::string_view(chunk, static_cast<std::size_t>(kChunkSize)));
        const auto range = ChunkRange(check);
        if (!range) {
            ++lost_;  // unused space, or a chunk past finding: the numbers around it tell
            return;
        }
        if (!check.HeaderSound)
            MendChunkHeader(chunk, check);
        if (!low_ || range->first < low_->first) {
            // Records before the lowest chunk: its index in the log says how many.
            low_ = {range->first, check.HeaderSound && !oldest && check.FirstIndex > 0 ? check.FirstIndex - 1 : 0};
        }
        high_ = std::max(high_, range->second);
        const std::int64_t connections = static_cast<std::int64_t>(out_.Connections.size());
        const std::int64_t records = out_.Counts.Records, unreadable = out_.Counts.Unreadable;
        Library lib;
        if (check.Sound() && ReadFast(std::string_view(chunk, static_cast<std::size_t>(kChunkSize)))) {
            // Every record read without the library.
        } else if (lib.OpenMemory(file_)) {
            int n = 0;
            if (!lib.Ok(libevtx_file_get_number_of_records(lib.File, &n, &lib.Error)))
                n = 0;
            for (int i = 0; i < n && !Stopped(reading_); ++i)
                failed_ += records_.Read(lib, i, false) == RecordReader::kFailed ? 1 : 0;
            // Records of the chunk's free space: read when their number is new.
            int recovered = 0;
            if (!lib.Ok(libevtx_file_get_number_of_recovered_records(lib.File, &recovered, &lib.Error)))
                recovered = 0;
            out_.Counts.Recovered += recovered;
            for (int i = 0; i < recovered && !Stopped(reading_); ++i)
                out_.Counts.RecoveredUnread += records_.Read(lib, i, true) == RecordReader::kFailed ? 1 : 0;
        }
        if (!check.Sound()) {
            const std::int64_t kept = static_cast<std::int64_t>(out_.Connections.size()) - connections;
            out_.Counts.DamagedChunks.push_back(
                {index, kept, out_.Counts.Records - records - kept - (out_.Counts.Unreadable - unreadable)});
        }
    }

    // The chunk's records read by the fast reader, when it reads them all.
    bool ReadFast(std::string_view chunk)
    {
        if (!fast_.Read(chunk))
            return false;
        for (const EvtxFastRecord& r : fast_.Records())
            if (r.What == EvtxFastRecord::Kind::HandedBack)
                return false;
        for (const EvtxFastRecord& r : fast_.Records())
            records_.Read(fast_, r);
        return true;
    }

    void CountMissing(const std::optional<FileHeader>& header)
    {
        std::uint64_t low = 0, high = high_;
        if (low_) {
            const std::uint64_t before =
                std::min({low_->second, low_->first > 0 ? low_->first - 1 : 0, lost_ * kMostRecordsInChunk});
            low = low_->first - before;
        }
        if (header && header->NextRecord > 1) {
            // What the header's next number says is written; a header not
            // written since (a dirty file) says less, never more.
            // The chunks it names hold no more than they can.
            const std::uint64_t most = static_cast<std::uint64_t>(std::max<std::int64_t>(header->Chunks, 1)) * kMostRecordsInChunk;
            high = std::max(high, low_ ? std::min(header->NextRecord - 1, high_ + most) : header->NextRecord - 1);
            if (!low_)
                low = header->NextRecord - std::min(header->NextRecord - 1, most);
        }
        std::int64_t missing = 0;
        std::optional<std::uint64_t> first;
        if ((low_ || high > 0) && low <= high)
            missing = static_cast<std::int64_t>(
                std::min<std::uint64_t>(records_.Seen().Missing(low, high, first), INT64_MAX));
        // Records the library knew of but could not give, where no number
        // accounts for them.
        out_.Counts.Unread = std::max(missing, failed_);
        if (first)
            NoteFirst(out_.Counts.FirstUnread, *first);
    }

    ByteSource& source_;
    const EvtxReading& reading_;
    EvtxFileRead& out_;
    RecordReader records_;
    EvtxChunkReader fast_;
    std::vector<char> file_;  // the file header, then the chunk in hand
    std::optional<std::pair<std::uint64_t, std::uint64_t>> low_;  // the lowest number of a chunk, and records before it
    std::uint64_t high_ = 0;
    std::uint64_t lost_ = 0;  // chunk places with no chunk to be read
    std::int64_t failed_ = 0;
};

EvtxFileRead Read(ByteSource& source, const EventList& events, const EvtxReading& reading)
{
    EvtxFileRead out;
    FileReader(source, events, reading, out).Read();
    return out;
}

}  // namespace

bool IsEvtxHead(std::string_view head) { return head.substr(0, kEvtxMagic.size()) == kEvtxMagic; }

bool IsEvtxFile(const std::filesystem::path& path)
{
    // Only a plain file: opening a pipe would block the scan.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    std::ifstream file(path, std::ios::binary);
    char head[8];
    return file.read(head, sizeof head) && IsEvtxHead(std::string_view(head, sizeof head));
}

EvtxFileRead ReadEvtxFile(const std::filesystem::path& path, const EventList& events, const std::atomic<bool>* stop)
{
    return ReadEvtxFile(path, events, EvtxReading{stop, nullptr, nullptr});
}

EvtxFileRead ReadEvtxFile(const std::filesystem::path& path, const EventList& events, const EvtxReading& reading)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::ifstream file(path, std::ios::binary);
    if (ec || !file)
        return {};
    FileSource source(file, static_cast<std::int64_t>(size));
    return Read(source, events, reading);
}

EvtxFileRead ReadEvtxBytes(std::string_view bytes, const EventList& events, const std::atomic<bool>* stop)
{
    MemorySource source(bytes);
    return Read(source, events, EvtxReading{stop, nullptr, nullptr});
}

}  // namespace vy
