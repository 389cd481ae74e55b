#include "scan/evtx_reader.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <optional>
#include <fstream>
#include <sstream>
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
        Ok(0);
    }
    // A call's result, the error it may leave dropped.
    bool Ok(int result)
    {
        if (Error != nullptr)
            libevtx_error_free(&Error);
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

class RecordReader {
public:
    RecordReader(const EventList& events, EvtxFileRead& out) : events_(events), out_(out) {}

    // One record of the chunk open in lib, by its index; false when it
    // could not be read (a copy passed over is no failure).
    bool Read(Library& lib, int index, bool recovered)
    {
        lib_ = &lib;
        libevtx_record_t* record = nullptr;
        const int got = recovered ? libevtx_file_get_recovered_record_by_index(lib.File, index, &record, &lib.Error)
                                  : libevtx_file_get_record_by_index(lib.File, index, &record, &lib.Error);
        if (!lib.Ok(got) || record == nullptr)
            return false;
        std::uint64_t number = 0;
        bool read = lib.Ok(libevtx_record_get_identifier(record, &number, &lib.Error));
        if (read && IsNew(number)) {
            // A record whose event could not be told is left unread: it is
            // counted among the missing numbers.
            read = Examine(record, number);
            if (read) {
                seen_.Insert(number);
                ++out_.Counts.Records;
            }
        }
        libevtx_record_free(&record, nullptr);
        return read;
    }

    // One record the fast reader read: each is an event told.
    void Read(const EvtxChunkReader& reader, const EvtxFastRecord& record)
    {
        if (!IsNew(record.Number))
            return;
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
    // Each record number is read once a file: false for a copy, counted.
    bool IsNew(std::uint64_t number)
    {
        if (!seen_.Contains(number))
            return true;
        ++out_.Counts.Copies;
        NoteFirst(out_.Counts.FirstCopy, number);
        return false;
    }

    // A connection event when from RemoteAccess with one of the two IDs;
    // false when the record's event or source cannot be told.
    bool Examine(libevtx_record_t* record, std::uint64_t number)
    {
        std::uint32_t id = fast_.Record != nullptr ? fast_.Record->EventId : 0;
        if (fast_.Record == nullptr && !lib_->Ok(libevtx_record_get_event_identifier(record, &id, &lib_->Error)))
            return false;
        const int event = static_cast<int>(id & 0xFFFF);  // the qualifiers aside
        if (event != kEvtxWithSpeed && event != kEvtxWithoutSpeed)
            return true;
        if (!Text(record, kSource, 0, source_))
            return false;
        if (!IsRemoteAccess(source_))
            return true;
        if (!events_.Contains(event)) {
            ++out_.Counts.NotListed[event];
            return true;
        }
        if (!ReadConnection(record, event == kEvtxWithSpeed, number)) {
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
            if (!Text(record, kString, k, strings_[static_cast<std::size_t>(k)]))
                return false;
        if (!Text(record, kComputer, 0, computer_) || !ReadConnectionStrings(withSpeed, computer_, strings_, line_))
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

    // Names repeat: each is kept once a file, its index counted over the
    // file's parts.
    std::uint32_t Name(std::string_view name)
    {
        const auto [at, added] = names_.try_emplace(std::string(name), static_cast<std::uint32_t>(names_.size()));
        if (added)
            out_.Names.emplace_back(name);
        return at->second;
    }

    enum What { kSource, kComputer, kString };

    // One of the record's texts as single bytes into out; false when the
    // record has none.
    bool Text(libevtx_record_t* record, What what, int index, std::string& out)
    {
        out.clear();
        if (fast_.Record != nullptr) {
            const EvtxFastRecord& r = *fast_.Record;
            const bool has = what == kString || (what == kSource ? r.HasProvider : r.HasComputer);
            if (has)
                AppendSingleBytes(what == kSource     ? r.Provider
                                  : what == kComputer ? r.Computer
                                                      : fast_.Reader->Strings(r)[static_cast<std::size_t>(index)],
                                  out);
            return has;
        }
        // The library's call for the text, or for its size, with what follows the record or the index.
        const auto call = [&](auto source, auto computer, auto string, auto... rest) {
            return what == kSource     ? source(record, rest..., &lib_->Error)
                   : what == kComputer ? computer(record, rest..., &lib_->Error)
                                       : string(record, index, rest..., &lib_->Error);
        };
        std::size_t size = 0;
        if (!lib_->Ok(call(libevtx_record_get_utf16_source_name_size, libevtx_record_get_utf16_computer_name_size,
                           libevtx_record_get_utf16_string_size, &size)))
            return false;
        units_.assign(std::max<std::size_t>(size, 1), 0);
        if (size > 0 && !lib_->Ok(call(libevtx_record_get_utf16_source_name, libevtx_record_get_utf16_computer_name,
                                       libevtx_record_get_utf16_string, units_.data(), size)))
            return false;
        AppendSingleBytes({std::string_view(reinterpret_cast<const char*>(units_.data()), 2 * size)}, out);
        return true;
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
    const auto [low, high] = std::minmax_element(check.Found.begin(), check.Found.end(),
                                                 [](const RecordPlace& a, const RecordPlace& b) { return a.Number < b.Number; });
    if (check.Found.empty() || high->Number - low->Number >= kMostRecordsInChunk)
        return std::nullopt;
    return std::make_pair(low->Number, high->Number);
}

// One chunk as it is made ready: a file of this one chunk, as libevtx is
// given it, its check, and the fast reader's reading of it.
struct ReadyChunk {
    std::vector<char> File;
    std::int64_t BytesRead = 0;  // of the whole file, up to the chunk's end
    ChunkCheck Check;
    EvtxChunkReader Fast;
    bool FastRead = false;  // every record read by the fast reader
};

// A file's chunks read, checked and read by the fast reader on a thread of
// their own, a few ahead of the thread that reads their records in order
// (without a thread to be had, each when it is asked for).
class ChunksAhead {
public:
    ChunksAhead(std::istream& in, std::int64_t size, std::string_view header, bool thread)
        : in_(in), size_(size), chunks_(size >= kHeaderBlock + kChunkHeader ? (size - kHeaderBlock - kChunkHeader) / kChunkSize + 1 : 0)
    {
        for (ReadyChunk& c : ready_) {
            c.File.assign(header.begin(), header.end());
            c.File.resize(static_cast<std::size_t>(kHeaderBlock + kChunkSize));
        }
        try {
            if (thread)
                thread_ = std::thread([this] { Work(); });
        } catch (const std::system_error&) {
        }
    }
    ~ChunksAhead()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    // The next chunk of the file, null after the last; the one before it is
    // given up.
    ReadyChunk* Next()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const std::int64_t c = taken_;
        if (c >= chunks_)
            return nullptr;
        taken_ = c + 1;
        changed_.notify_all();
        if (!thread_.joinable()) {
            Make(c);
            made_ = c + 1;
        }
        changed_.wait(lock, [&] { return made_ > c || error_; });
        if (error_)
            std::rethrow_exception(error_);
        return &ready_[static_cast<std::size_t>(c) % ready_.size()];
    }

private:
    void Work()
    {
        try {
            for (std::int64_t c = 0; c < chunks_; ++c) {
                {
                    // Its place is free once the chunk before it is taken.
                    std::unique_lock<std::mutex> lock(mutex_);
                    changed_.wait(lock, [&] { return quit_ || c + 1 < taken_ + static_cast<std::int64_t>(ready_.size()); });
                    if (quit_)
                        return;
                }
                Make(c);
                std::lock_guard<std::mutex> lock(mutex_);
                made_ = c + 1;
                changed_.notify_all();
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            error_ = std::current_exception();
            changed_.notify_all();
        }
    }

    void Make(std::int64_t c)
    {
        ReadyChunk& ready = ready_[static_cast<std::size_t>(c) % ready_.size()];
        char* chunk = ready.File.data() + kHeaderBlock;
        const std::int64_t at = kHeaderBlock + c * kChunkSize;
        in_.read(chunk, std::min(kChunkSize, size_ - at));
        const std::int64_t got = in_.gcount();
        std::memset(chunk + got, 0, static_cast<std::size_t>(kChunkSize - got));
        ready.BytesRead = at + got;
        const std::string_view bytes(chunk, static_cast<std::size_t>(kChunkSize));
        ready.Check = CheckChunk(bytes);
        ready.FastRead = ready.Fast.Read(bytes, ready.Check) &&
                         std::none_of(ready.Fast.Records().begin(), ready.Fast.Records().end(), [](const EvtxFastRecord& r) {
                             return r.What == EvtxFastRecord::Kind::HandedBack;
                         });
        if (!ready.Check.HeaderSound && ChunkRange(ready.Check))
            MendChunkHeader(chunk, ready.Check);
    }

    std::istream& in_;
    std::int64_t size_;
    std::int64_t chunks_;
    std::array<ReadyChunk, 4> ready_;
    std::int64_t taken_ = 0;  // chunks asked for
    std::int64_t made_ = 0;   // chunks ready
    bool quit_ = false;
    std::exception_ptr error_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

// The file chunk by chunk, each given to the library as a file of its own:
// the reading can hand on its connections and stop between any two chunks,
// checks each chunk itself, and reads each record number once. A real log
// numbers its records without a gap from the oldest to the newest, and the
// file header names the next: every number of that span not read is
// counted as unread.
class FileReader {
public:
    FileReader(std::istream& in, std::int64_t size, const EventList& events, const EvtxReading& reading,
               EvtxFileRead& out)
        : in_(in), size_(size), reading_(reading), out_(out), records_(events, out),
          file_(static_cast<std::size_t>(kHeaderBlock), '\0')
    {
    }

    void Read()
    {
        if (size_ < kHeaderBlock || !in_.read(file_.data(), kHeaderBlock) ||
            !IsEvtxHead(std::string_view(file_.data(), kHeaderBlock)))
            return;
        out_.Counts.Opened = true;
        const std::optional<FileHeader> header = ReadFileHeader(std::string_view(file_.data(), kHeaderBlock));
        OneChunkHeader();
        ChunksAhead chunks(in_, size_, std::string_view(file_.data(), file_.size()), reading_.Threads);
        std::int64_t place = 0;
        for (ReadyChunk* chunk = chunks.Next(); chunk != nullptr; chunk = chunks.Next(), ++place) {
            Chunk(place, header && static_cast<std::uint64_t>(place) == header->OldestChunk, *chunk);
            if ((place + 1) % std::max(reading_.ChunksPerPart, 1) == 0 && !HandOn(chunk->BytesRead))
                return;
        }
        if (!HandOn(size_))
            return;
        const std::int64_t whole = size_ > kHeaderBlock ? (size_ - kHeaderBlock) / kChunkSize : 0;
        if (header && header->Chunks > whole) {
            out_.Counts.ChunksNamed = header->Chunks;
            out_.Counts.ChunksMissing = header->Chunks - whole;
        }
        CountMissing(header);
    }

private:
    // The connections read since the last part handed on, if parts are
    // asked for; false when the taker says stop.
    bool HandOn(std::int64_t bytesRead)
    {
        if (!reading_.Part)
            return true;
        const bool more = reading_.Part(out_, bytesRead);
        out_.Connections.clear();
        out_.Names.clear();
        return more;
    }

    // The file header as for a file of one chunk.
    void OneChunkHeader()
    {
        char* h = file_.data();
        std::memset(h + 8, 0, 24);  // the oldest and the newest chunk: the one; no next record
        h[42] = 1;
        h[43] = 0;
        std::memset(h + 120, 0, 4);  // not dirty, not full
    }

    void Chunk(std::int64_t index, bool oldest, ReadyChunk& chunk)
    {
        const ChunkCheck& check = chunk.Check;
        const auto range = ChunkRange(check);
        if (!range) {
            ++lost_;  // unused space, or a chunk past finding: the numbers around it tell
            return;
        }
        if (!low_ || range->first < low_->first) {
            // Records before the lowest chunk: its index in the log says how many.
            low_ = {range->first, check.HeaderSound && !oldest && check.FirstIndex > 0 ? check.FirstIndex - 1 : 0};
        }
        high_ = std::max(high_, range->second);
        const std::int64_t connections = static_cast<std::int64_t>(out_.Connections.size());
        const std::int64_t records = out_.Counts.Records, unreadable = out_.Counts.Unreadable;
        Library lib;
        if (chunk.FastRead) {
            for (const EvtxFastRecord& r : chunk.Fast.Records())
                records_.Read(chunk.Fast, r);
        } else if (ValueCountsFit({chunk.File.data() + kHeaderBlock, static_cast<std::size_t>(kChunkSize)}) &&
                   lib.OpenMemory(chunk.File)) {
            // (A chunk that would lead libevtx past its end is not read: its
            // records are counted among the missing numbers.)
            int n = 0;
            if (!lib.Ok(libevtx_file_get_number_of_records(lib.File, &n, &lib.Error)))
                n = 0;
            for (int i = 0; i < n; ++i)
                failed_ += records_.Read(lib, i, false) ? 0 : 1;
            // Records of the chunk's free space: read when their number is new.
            int recovered = 0;
            if (!lib.Ok(libevtx_file_get_number_of_recovered_records(lib.File, &recovered, &lib.Error)))
                recovered = 0;
            out_.Counts.Recovered += recovered;
            for (int i = 0; i < recovered; ++i)
                out_.Counts.RecoveredUnread += records_.Read(lib, i, true) ? 0 : 1;
        }
        if (!check.Sound()) {
            const std::int64_t kept = static_cast<std::int64_t>(out_.Connections.size()) - connections;
            out_.Counts.DamagedChunks.push_back(
                {index, kept, out_.Counts.Records - records - kept - (out_.Counts.Unreadable - unreadable)});
        }
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

    std::istream& in_;
    std::int64_t size_;
    const EvtxReading& reading_;
    EvtxFileRead& out_;
    RecordReader records_;
    std::vector<char> file_;  // the file header, as for a file of one chunk
    std::optional<std::pair<std::uint64_t, std::uint64_t>> low_;  // the lowest number of a chunk, and records before it
    std::uint64_t high_ = 0;
    std::uint64_t lost_ = 0;  // chunk places with no chunk to be read
    std::int64_t failed_ = 0;
};

EvtxFileRead Read(std::istream& in, std::int64_t size, const EventList& events, const EvtxReading& reading)
{
    EvtxFileRead out;
    FileReader(in, size, events, reading, out).Read();
    return out;
}

}  // namespace

bool IsEvtxHead(std::string_view head) { return head.starts_with(kFileMagic); }

EvtxFileRead ReadEvtxFile(const std::filesystem::path& path, const EventList& events, const EvtxReading& reading)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::ifstream file(path, std::ios::binary);
    if (ec || !file)
        return {};
    return Read(file, static_cast<std::int64_t>(size), events, reading);
}

EvtxFileRead ReadEvtxBytes(std::string_view bytes, const EventList& events, const EvtxReading& reading)
{
    std::istringstream in{std::string(bytes)};
    return Read(in, static_cast<std::int64_t>(bytes.size()), events, reading);
}

}  // namespace vy
