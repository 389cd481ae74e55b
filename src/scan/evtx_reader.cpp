#include "scan/evtx_reader.h"

#include <algorithm>
#include <optional>
#include <fstream>
#include <unordered_map>

#include <QFile>
#include <QTemporaryFile>

#include <libevtx.h>

#include "scan/event_strings.h"
#include "scan/line_parser.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr std::int64_t kFileHeaderBlock = 4096;
constexpr std::int64_t kChunkSize = 65536;
constexpr std::string_view kChunkMagic{"ElfChnk\0", 8};
constexpr std::string_view kRecordMagic{"**\0\0", 4};
constexpr std::int64_t kChunkRecordsStart = 512;
constexpr std::int64_t kSmallestRecord = 28;  // header, size copy and the least BinXML
constexpr int kWithSpeed = 20251;
constexpr int kWithoutSpeed = 20272;

std::uint32_t Le32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint64_t Le64(const char* p) { return Le32(p) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32); }

// The file's bytes where they are asked for.
class FileSource {
public:
    FileSource(std::ifstream& file, std::int64_t size) : file_(file), size_(size) {}
    std::int64_t Size() const { return size_; }
    std::int64_t Read(std::int64_t at, char* out, std::int64_t n)
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

// The record numbers each chunk says it holds, read from the chunk headers
// themselves: the library may pass over a record without a word (one that
// ends at or just short of its chunk's end was seen to be), and what is
// missing from a chunk's range is then counted as unread.
struct ChunkPlan {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> Ranges;  // first, last record number
    std::vector<std::uint64_t> Damaged;  // the numbers of records found in chunks whose header is damaged
};

// The numbers of the records laid one after another from the start of a
// chunk whose header is damaged; each must carry its size at both ends.
void FindRecordsInDamagedChunk(const std::vector<char>& chunk, std::vector<std::uint64_t>& numbers)
{
    std::int64_t at = kChunkRecordsStart;
    const auto size = static_cast<std::int64_t>(chunk.size());
    while (at + kSmallestRecord <= size && std::string_view(chunk.data() + at, 4) == kRecordMagic) {
        const std::int64_t length = Le32(chunk.data() + at + 4);
        if (length < kSmallestRecord || at + length > size || Le32(chunk.data() + at + length - 4) != length)
            break;
        numbers.push_back(Le64(chunk.data() + at + 8));
        at += length;
    }
}

ChunkPlan ReadChunkPlan(FileSource& source)
{
    ChunkPlan plan;
    const std::int64_t size = source.Size();
    std::vector<char> chunk;
    char head[48];
    for (std::int64_t at = kFileHeaderBlock; at < size; at += kChunkSize) {
        const std::int64_t got = source.Read(at, head, sizeof head);
        if (got < static_cast<std::int64_t>(sizeof head))
            break;
        if (std::string_view(head, 8) != kChunkMagic) {
            // An empty chunk (all zeros) is unused space; anything else may
            // be a chunk whose header was overwritten.
            chunk.resize(static_cast<std::size_t>(std::min(kChunkSize, size - at)));
            chunk.resize(static_cast<std::size_t>(source.Read(at, chunk.data(), static_cast<std::int64_t>(chunk.size()))));
            FindRecordsInDamagedChunk(chunk, plan.Damaged);
            continue;
        }
        const std::uint64_t first = Le64(head + 24);
        const std::uint64_t last = Le64(head + 32);
        if (last >= first && last - first < static_cast<std::uint64_t>(kChunkSize / kSmallestRecord))
            plan.Ranges.emplace_back(first, last);
    }
    std::sort(plan.Ranges.begin(), plan.Ranges.end());
    return plan;
}

// The record numbers read, as runs of consecutive numbers: records mostly
// come in order, so the hundreds of thousands of a file take a few runs.
class NumberRuns {
public:
    void Add(std::uint64_t n)
    {
        if (!runs_.empty() && runs_.back().second + 1 == n)
            runs_.back().second = n;
        else
            runs_.emplace_back(n, n);
    }
    // Sorts and joins the runs; needed before the questions below.
    void Settle()
    {
        std::sort(runs_.begin(), runs_.end());
        std::vector<std::pair<std::uint64_t, std::uint64_t>> joined;
        for (const auto& r : runs_) {
            if (!joined.empty() && r.first <= joined.back().second + 1)
                joined.back().second = std::max(joined.back().second, r.second);
            else
                joined.push_back(r);
        }
        runs_ = std::move(joined);
    }
    bool Contains(std::uint64_t n) const
    {
        const auto after = std::upper_bound(runs_.begin(), runs_.end(), std::make_pair(n, UINT64_MAX));
        return after != runs_.begin() && std::prev(after)->second >= n;
    }
    // How many of first..last are missing, and the first of them.
    std::uint64_t Missing(std::uint64_t first, std::uint64_t last, std::optional<std::uint64_t>& firstMissing) const
    {
        std::uint64_t missing = 0;
        std::uint64_t next = first;  // the numbers before it are settled
        auto r = std::lower_bound(runs_.begin(), runs_.end(), first,
                                  [](const auto& run, std::uint64_t n) { return run.second < n; });
        for (; r != runs_.end() && r->first <= last && next <= last; ++r) {
            if (r->first > next) {
                if (!firstMissing)
                    firstMissing = next;
                missing += r->first - next;
            }
            next = std::max(next, r->second + 1);
        }
        if (next <= last) {
            if (!firstMissing)
                firstMissing = next;
            missing += last - next + 1;
        }
        return missing;
    }

private:
    std::vector<std::pair<std::uint64_t, std::uint64_t>> runs_;
};

// The records of the plan's ranges that were not read, and the first of them.
void CountGaps(const ChunkPlan& plan, const NumberRuns& seen, EvtxCounts& counts)
{
    std::int64_t missing = 0;
    std::optional<std::uint64_t> firstMissing;
    std::uint64_t coveredTo = 0;  // ranges that overlap are counted once
    bool any = false;
    for (auto [first, last] : plan.Ranges) {
        if (any && first <= coveredTo)
            first = coveredTo + 1;
        if (any && first > last)
            continue;
        any = true;
        coveredTo = last;
        missing += static_cast<std::int64_t>(seen.Missing(first, last, firstMissing));
    }
    for (std::uint64_t n : plan.Damaged) {
        if (seen.Contains(n))
            continue;
        ++missing;
        if (!firstMissing || n < *firstMissing)
            firstMissing = n;
    }
    counts.Unread += missing;
    if (firstMissing)
        counts.FirstUnread = static_cast<std::int64_t>(*firstMissing);
}

// Text from the library's UTF-16 as single bytes, the way text files are
// read: a character above U+00FF (a surrogate pair counting as one, an
// unpaired surrogate too) becomes "?". The direction marks U+200E and
// U+200F that Windows puts into dates carry nothing and are left out.
void Utf16ToSingleBytes(const std::vector<std::uint16_t>& units, std::size_t n, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < n && units[i] != 0; ++i) {
        const std::uint16_t u = units[i];
        if (u == 0x200E || u == 0x200F)
            continue;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            ++i;
        out.push_back(u <= 0xFF ? static_cast<char>(u) : '?');
    }
}

// The library's handles, freed however the reading ends.
struct Library {
    libevtx_file_t* File = nullptr;
    libevtx_error_t* Error = nullptr;
    bool Open = false;

    ~Library()
    {
        if (Open)
            libevtx_file_close(File, nullptr);
        if (File != nullptr)
            libevtx_file_free(&File, nullptr);
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
};

class RecordReader {
public:
    RecordReader(Library& lib, const EvtxEventList& events, EvtxFileRead& out) : lib_(lib), events_(events), out_(out) {}

    // One record by its index; false when the library cannot give it.
    bool Read(int index, bool recovered)
    {
        libevtx_record_t* record = nullptr;
        const int got = recovered ? libevtx_file_get_recovered_record_by_index(lib_.File, index, &record, &lib_.Error)
                                  : libevtx_file_get_record_by_index(lib_.File, index, &record, &lib_.Error);
        if (!lib_.Ok(got) || record == nullptr)
            return false;
        std::uint64_t number = 0;
        const bool numbered = lib_.Ok(libevtx_record_get_identifier(record, &number, &lib_.Error));
        if (numbered)
            seen_.Add(number);
        ++out_.Counts.Records;
        Examine(record, number);
        libevtx_record_free(&record, nullptr);
        return true;
    }

    NumberRuns& Seen() { return seen_; }

private:
    // A connection event when from RemoteAccess with one of the two IDs.
    void Examine(libevtx_record_t* record, std::uint64_t number)
    {
        std::uint32_t id = 0;
        if (!lib_.Ok(libevtx_record_get_event_identifier(record, &id, &lib_.Error)))
            return;
        const int event = static_cast<int>(id & 0xFFFF);  // the qualifiers aside
        if (event != kWithSpeed && event != kWithoutSpeed)
            return;
        if (!Text(record, kSource, 0) || !IsRemoteAccess(source_))
            return;
        if (!events_.Contains(event)) {
            ++out_.Counts.NotListed[event];
            return;
        }
        if (!ReadConnection(record, event == kWithSpeed, number)) {
            if (out_.Counts.Unreadable++ == 0)
                out_.Counts.FirstUnreadable = static_cast<std::int64_t>(number);
        }
    }

    // The event's strings and computer as single bytes, then its values.
    bool ReadConnection(libevtx_record_t* record, bool withSpeed, std::uint64_t number)
    {
        int count = 0;
        if (!lib_.Ok(libevtx_record_get_number_of_strings(record, &count, &lib_.Error)) || count < 0)
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
    // none is given); false when the library has none.
    bool Text(libevtx_record_t* record, What what, int index, std::string* out = nullptr)
    {
        std::size_t size = 0;
        int got = 0;
        switch (what) {
        case kSource: got = libevtx_record_get_utf16_source_name_size(record, &size, &lib_.Error); break;
        case kComputer: got = libevtx_record_get_utf16_computer_name_size(record, &size, &lib_.Error); break;
        case kString: got = libevtx_record_get_utf16_string_size(record, index, &size, &lib_.Error); break;
        }
        if (!lib_.Ok(got))
            return false;
        units_.assign(std::max<std::size_t>(size, 1), 0);
        if (size > 0) {
            switch (what) {
            case kSource: got = libevtx_record_get_utf16_source_name(record, units_.data(), size, &lib_.Error); break;
            case kComputer: got = libevtx_record_get_utf16_computer_name(record, units_.data(), size, &lib_.Error); break;
            case kString: got = libevtx_record_get_utf16_string(record, index, units_.data(), size, &lib_.Error); break;
            }
            if (!lib_.Ok(got))
                return false;
        }
        Utf16ToSingleBytes(units_, size, out != nullptr ? *out : source_);
        return true;
    }

    Library& lib_;
    const EvtxEventList& events_;
    EvtxFileRead& out_;
    NumberRuns seen_;
    std::vector<std::string> strings_;
    std::string computer_;
    ConnectionLine line_;
    std::unordered_map<std::string, std::uint32_t> names_;  // the index of each in out_.Names
    std::vector<std::uint16_t> units_;
    std::string source_;
};

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(std::memory_order_relaxed); }

// Every record the library can give, then the count of those it cannot.
void ReadRecords(Library& lib, FileSource& source, const EvtxEventList& events, const std::atomic<bool>* stop,
                 EvtxFileRead& out)
{
    out.Counts.Opened = true;
    RecordReader reader(lib, events, out);
    std::int64_t failed = 0;
    int records = 0;
    if (!lib.Ok(libevtx_file_get_number_of_records(lib.File, &records, &lib.Error)))
        records = 0;
    for (int i = 0; i < records && !Stopped(stop); ++i)
        failed += reader.Read(i, false) ? 0 : 1;
    int recovered = 0;
    if (!lib.Ok(libevtx_file_get_number_of_recovered_records(lib.File, &recovered, &lib.Error)))
        recovered = 0;
    out.Counts.Recovered = recovered;
    for (int i = 0; i < recovered && !Stopped(stop); ++i)
        out.Counts.RecoveredUnread += reader.Read(i, true) ? 0 : 1;
    if (Stopped(stop))
        return;
    reader.Seen().Settle();
    CountGaps(ReadChunkPlan(source), reader.Seen(), out.Counts);
    // Records the library knew of but could not give, where no chunk
    // header accounts for them.
    out.Counts.Unread = std::max(out.Counts.Unread, failed);
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

EvtxEventList::EvtxEventList(std::string_view ids)
{
    // An ID of the text forms is five bytes between commas: only five digits
    // can name an event here.
    for (std::size_t slot = 0; slot < (ids.size() + 1) / 6; ++slot) {
        const std::string_view id = ids.substr(6 * slot, 5);
        if (std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; }))
            ids_.push_back(std::stoi(std::string(id)));
    }
}

bool EvtxEventList::Contains(int id) const { return std::find(ids_.begin(), ids_.end(), id) != ids_.end(); }

EvtxFileRead ReadEvtxFile(const std::filesystem::path& path, const EvtxEventList& events, const std::atomic<bool>* stop)
{
    EvtxFileRead out;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::ifstream file(path, std::ios::binary);
    if (ec || !file)
        return out;
    Library lib;
    // Opened by its native name, bytes on Unix, so that any name the
    // enumeration found can be read.
    const std::string name = path.string();
    if (!lib.Ok(libevtx_file_initialize(&lib.File, &lib.Error)) ||
        !lib.Ok(libevtx_file_open(lib.File, name.c_str(), libevtx_get_access_flags_read(), &lib.Error)))
        return out;
    lib.Open = true;
    FileSource source(file, static_cast<std::int64_t>(size));
    ReadRecords(lib, source, events, stop, out);
    return out;
}

EvtxFileRead ReadEvtxBytes(std::string_view bytes, const EvtxEventList& events, const std::atomic<bool>* stop)
{
    // Through a file, as the scan reads: libbfio's memory range reads past
    // the end of a range shorter than the file header (a 584-byte input
    // was seen to).
    QTemporaryFile file;
    if (!file.open() || file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.flush())
        return {};
    return ReadEvtxFile(std::filesystem::path(QFile::encodeName(file.fileName()).toStdString()), events, stop);
}

}  // namespace vy
