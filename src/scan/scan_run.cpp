#include "scan/scan_run.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <fstream>
#include <memory>
#include <numeric>
#include <span>

#include <QDir>
#include <QFileInfo>

#include "scan/duplicate_check.h"
#include "scan/exclusion_filters.h"
#include "scan/file_enumeration.h"
#include "scan/file_pieces.h"
#include "scan/forms/log_form_table.h"
#include "scan/line_parser.h"
#include "scan/counted.h"
#include "scan/log_reader.h"
#include "scan/name_cache.h"
#include "scan/reading_progress.h"
#include "scan/scan_pipeline.h"

namespace vy {

namespace {

// The folder's own name, also for "." or a path ending in "/".
std::string FolderName(const QString& dir)
{
    return QFileInfo(QDir::cleanPath(QDir(dir).absolutePath())).fileName().toLatin1().toStdString();
}

// The text of file ended at a Ctrl-Z: what follows it is not read, but is
// told unless it is padding alone (Ctrl-Z, zero bytes, blanks, line ends).
void EndMarkProblem(const LogReader& reader, const LogFileEntry& file, ReadSink& sink, std::size_t index)
{
    const bool wide = reader.Encoding() == TextEncoding::Utf16LE || reader.Encoding() == TextEncoding::Utf16BE;
    const std::int64_t after = reader.Consumed() + (wide ? 2 : 1);
    std::ifstream in(file.Path, std::ios::binary);
    in.seekg(after);
    std::int64_t n = 0;
    bool padding = true;
    char block[4096];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i)
            padding = padding && (block[i] == '\x1A' || block[i] == '\0' || block[i] == ' ' || block[i] == '\t' ||
                                  block[i] == '\r' || block[i] == '\n');
        n += in.gcount();
    }
    if (n > 0 && !padding)
        sink.Problem(index, Counted(n, "byte", "bytes") + " after an end-of-file mark were not read");
}

// Tells the observer only what changes.
class Display {
public:
    explicit Display(ScanObserver* observer) : observer_(observer != nullptr ? *observer : quiet_) {}

    void Phase(ScanPhase phase) { observer_.PhaseBegun(phase); }
    void File(const QString& name)
    {
        observer_.FileBegun(name);
        fileShown_ = true;
    }
    void FilesDone()
    {
        if (std::exchange(fileShown_, false))
            observer_.FilesDone();
    }
    // A new percentage, or the same one when the title starts following it.
    void Percent(int percent, bool reading)
    {
        if (shown_ != std::pair(percent, reading))
            observer_.PercentDone(percent, reading);
        shown_ = std::pair(percent, reading);
    }

private:
    ScanObserver quiet_;
    ScanObserver& observer_;
    bool fileShown_ = false;
    std::optional<std::pair<int, bool>> shown_;  // the percentage last shown, and whether while reading
};

// The entries of one line's names, -1 where the table lacks one. Below a
// missing entry nothing can be found: it would be new as well.
struct LineNames {
    int Domain = -1, User = -1, Server = -1, Port = -1, Speed = -1;
    int Missing() const { return (Domain < 0) + (User < 0) + (Server < 0) + (Port < 0) + (Speed < 0); }
};

LineNames FindLineNames(const NameTable& names, const ConnectionLine& line)
{
    LineNames n;
    n.Domain = names.Find(KindDomain, line.Domain, 0, 0, 0);
    if (n.Domain < 0)
        return n;
    n.User = names.Find(KindUser, line.User, n.Domain, 0, 0);
    n.Server = names.Find(KindServer, line.Server, n.Domain, 0, 0);
    if (n.Server < 0)
        return n;
    n.Port = names.Find(KindPort, line.Port, n.Domain, n.Server, 0);
    if (n.Port < 0)
        return n;
    n.Speed = names.Find(KindSpeed, line.Speed, n.Domain, n.Server, n.Port);
    return n;
}

// The reading of every file: each by the first form of the table that
// recognises its head.
void ReadFiles(const ScanSettings& settings, const std::vector<LogFileEntry>& files, double totalBytes,
               const EventList& events, bool threads, ReadSink& sink)
{
    // Lines of the connection events that the list leaves out: found by
    // their ID field in the same pass as the listed ones, then told by
    // source.
    const LineMatcher matcher(settings.LogLanguage, events);
    const std::span<const LogFormEntry> table = LogFormTable();
    const std::string folderName = FolderName(settings.LogDir);
    ReadingProgress progress(sink, totalBytes);
    LogReader reader;  // big blocks: fewer reads, and the batches fill in fewer steps
    LogReader second;  // the pieces of a big file read beside
    double fileStart = 0;  // the counter at the start of the file
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (sink.Stopped())
            return;  // stopped before this file's first line: nothing more is read
        sink.FileBegin(i);
        bool go = true;
        const LogReader* last = &reader;
        try {
            if (!reader.Open(files[i].Path)) {
                sink.FileUnreadable(i);
                sink.Problem(i, "it could not be read: " + reader.Why());
                continue;
            }
            const std::size_t recognised = FormOf(reader.Head());
            sink.FileForm(i, recognised);
            const std::size_t form = std::min(recognised, table.size() - 1);
            const std::string fileName = files[i].Name.toLatin1().toStdString();
            FormReading reading{reader, files[i].Path, i, fileName, folderName, settings, events, matcher,
                                progress, fileStart, sink, threads};
            go = ReadInPieces(table[form], reading, files[i].Size, second, last);
            if (last->Failed()) {
                sink.FileUnreadable(i);
                sink.Problem(i, "a read failed part way (" + last->Why() + "): the rest could not be read");
            } else if (go && last->EndedAtMark()) {
                EndMarkProblem(*last, files[i], sink, i);
            }
        } catch (const std::bad_alloc&) {
            sink.FileUnreadable(i);
            sink.Problem(i, "it could not be read: there was not enough memory");
        }
        const double consumed = static_cast<double>(last->Consumed());
        reader.Close();
        second.Close();
        if (!go)
            return;
        // What a form did not read as text counts as read, or the bar would
        // end short of the file's end.
        fileStart += std::max(consumed, static_cast<double>(files[i].Size));
        if (consumed < static_cast<double>(files[i].Size)) {
            progress.Line(fileStart, false);
            if (sink.Stopped())
                return;
        }
    }
}

// What each finding does to the scan: a connection goes through the date
// range, the filters, the names and the record.
class ScanSteps final : public ReadSteps {
public:
    ScanSteps(const ScanSettings& settings, const std::vector<LogFileEntry>& files, Stores& stores, Display& display,
              ScanResult& result, const std::atomic<bool>& stop)
        : settings_(settings), files_(files), stores_(stores), display_(display), result_(result), stop_(stop),
          users_(settings.ExcludedUsers), domains_(settings.ExcludedDomains), ports_(settings.ExcludedPorts)
    {
    }
    void FileBegin(std::size_t index) override
    {
        file_ = index;
        display_.File(files_[index].Name);
    }
    void FileUnreadable(std::size_t index) override
    {
        result_.UnreadableFiles.push_back(files_[index].Name);
        result_.Files[index].Form.clear();
    }
    void FileForm(std::size_t index, std::size_t form) override
    {
        const std::span<const LogFormEntry> table = LogFormTable();
        result_.Files[index].Form = table[std::min(form, table.size() - 1)].Title;
        if (form == table.size())
            unrecognised_.push_back(index);
    }
    void Problem(std::size_t index, std::string_view sentence) override
    {
        result_.Files[index].Problems.emplace_back(sentence);
    }
    void Percent(int percent, bool) override { display_.Percent(percent, true); }
    void Connection(std::string_view line, std::int64_t number) override
    {
        // Every value is read before any name is added: a malformed line
        // leaves no trace but its count.
        if (Values(line, line_))
            Store(line_);
        else
            Unread(file_, number, false);
    }
    void Parsed(const ConnectionLine& connection) override { Store(connection); }
    bool Values(std::string_view line, ConnectionLine& out) override
    {
        return ParseConnectionLine(settings_.LogLanguage, line, out);
    }
    // Fetches what Store will read of the caches, noting the chains' hashes.
    void Ahead(const ConnectionLine& connection, AheadNote& note) override
    {
        ChainKeys(connection);
        note = {userChains_.KeyHash(), speedChains_.KeyHash()};
        userChains_.Prefetch(note[0]);
        speedChains_.Prefetch(note[1]);
    }
    void Noted(const ConnectionLine& connection, const AheadNote& note) override { Store(connection, &note); }
    void Overlong(std::size_t file, std::int64_t line) override
    {
        ++result_.OverlongLines;
        ++overlong_.try_emplace(file, 0, line).first->second.first;
    }
    void UnreadLine(std::size_t file, std::int64_t line) override { Unread(file, line, false); }
    void UnreadRecord(std::size_t file, std::int64_t record) override { Unread(file, record, true); }
    void EventNotListed(int id) override
    {
        ++result_.EventsNotListed[id];
        ++result_.Files[file_].NotListed[id];
    }
    bool Stopped() override { return stop_.load(std::memory_order_relaxed); }

    // What is known once every file is read: the span of the connect
    // moments, the files with connections that could not be read, each
    // file's overlong lines, and the files in no known form that gave
    // nothing.
    void Finish()
    {
        if (first_ <= last_)
            result_.ConnectionSpan = std::pair(first_, last_);
        for (std::size_t i : unrecognised_) {
            FileSummary& f = result_.Files[i];
            if (f.Connections == 0 && f.Unread == 0 && f.NotListed.empty())
                f.Problems.push_back("it is in no known form and held no connection line");
        }
        for (const auto& [file, lines] : overlong_)
            result_.Files[file].Problems.push_back(
                Counted(lines.first, "line was", "lines were") + " longer than " +
                std::to_string(LogReader::DefaultMaxLine >> 20) + " MiB and could not be examined (the first: line " +
                std::to_string(lines.second) + ")");
    }

private:
    // A connection whose values were read: the date range, the filters,
    // the names and the record. note: what Ahead noted of it.
    void Store(const ConnectionLine& line, const AheadNote* note = nullptr)
    {
        ++result_.Files[file_].Connections;
        first_ = std::min(first_, line.DateTime);
        last_ = std::max(last_, line.DateTime);
        // The final day ends at its last minute: the midnight after it
        // belongs to the next range.
        if (!(settings_.InitialDate <= line.DateTime && line.DateTime < settings_.FinalDate + 1))
            return;
        if (Listed(users_, line.User) || Listed(domains_, line.Domain) || Listed(ports_, line.Port))
            return;
        ChainKeys(line);
        int u = userChains_.Find(note != nullptr ? (*note)[0] : userChains_.KeyHash());
        int sp = u >= 0 ? speedChains_.Find(note != nullptr ? (*note)[1] : speedChains_.KeyHash()) : -1;
        if (u < 0 || sp < 0) {
            if (!AddNames(line, u, sp))
                return;
        } else if (stores_.Connections.IsFull()) {
            ++result_.SkippedForCapacity;
            return;
        }
        ConnectionRecord record;
        record.UserIndex = u;
        record.DateTime = line.DateTime;
        record.SpeedIndex = sp;
        record.ActiveTime = line.ActiveTime;
        record.BytesSent = line.BytesSent;
        record.BytesReceived = line.BytesReceived;
        if (!stores_.Connections.Append(record))
            OutOfMemory();
    }

    // The keys of line's two chains in the caches.
    void ChainKeys(const ConnectionLine& line)
    {
        userChains_.BeginKey();
        userChains_.AddPart(line.Domain);
        userChains_.AddPart(line.User);
        speedChains_.BeginKey();
        speedChains_.AddPart(line.Domain);
        speedChains_.AddPart(line.Server);
        speedChains_.AddPart(line.Port);
        speedChains_.AddPart(line.Speed);
    }

    // Most scans exclude nothing: no hashing of names then.
    static bool Listed(const ExclusionList& list, std::string_view name) { return !list.Empty() && list.Contains(name); }

    // The line's names through the name table, adding the missing ones when
    // they all fit; false when the line is skipped for capacity.
    bool AddNames(const ConnectionLine& line, int& u, int& sp)
    {
        // How many new names the line needs is known before any is added,
        // so a line that does not fit leaves no trace.
        LineNames n = FindLineNames(stores_.Names, line);
        const int missing = n.Missing();
        if (stores_.Connections.IsFull() || missing > NameTable::Capacity - stores_.Names.Count()) {
            ++result_.SkippedForCapacity;
            return false;
        }
        if (missing > 0) {
            // The same five calls in the same order; those found above are
            // not looked up again.
            if (n.Domain < 0)
                n.Domain = FindOrAddName(stores_, KindDomain, line.Domain, 0, 0, 0);
            if (n.User < 0)
                n.User = FindOrAddName(stores_, KindUser, line.User, n.Domain, 0, 0);
            if (n.Server < 0)
                n.Server = FindOrAddName(stores_, KindServer, line.Server, n.Domain, 0, 0);
            if (n.Port < 0)
                n.Port = FindOrAddName(stores_, KindPort, line.Port, n.Domain, n.Server, 0);
            if (n.Speed < 0)
                n.Speed = FindOrAddName(stores_, KindSpeed, line.Speed, n.Domain, n.Server, n.Port);
            if (n.User < 0 || n.Speed < 0) {
                OutOfMemory();
                return false;
            }
        }
        u = n.User;
        sp = n.Speed;
        userChains_.Add(u);
        speedChains_.Add(sp);
        return true;
    }

    void OutOfMemory()
    {
        ++result_.SkippedForCapacity;
        result_.OutOfMemory = true;
    }

    void Unread(std::size_t file, std::int64_t where, bool records)
    {
        FileSummary& f = result_.Files[file];
        if (f.Unread++ == 0) {
            f.FirstUnread = where;
            f.Records = records;
        }
    }

    const ScanSettings& settings_;
    const std::vector<LogFileEntry>& files_;
    Stores& stores_;
    Display& display_;
    ScanResult& result_;
    const std::atomic<bool>& stop_;
    std::size_t file_ = 0;
    std::map<std::size_t, std::pair<std::int64_t, std::int64_t>> overlong_;  // per file: how many, the first
    std::vector<std::size_t> unrecognised_;
    double first_ = std::numeric_limits<double>::infinity();
    double last_ = -std::numeric_limits<double>::infinity();
    ExclusionList users_;
    ExclusionList domains_;
    ExclusionList ports_;
    ConnectionLine line_;
    NameCache userChains_;
    NameCache speedChains_;
};

}  // namespace

ScanResult RunScan(const ScanSettings& settings, Stores& stores, const std::atomic<bool>& stop,
                   ScanObserver* observer, ScanThreads threads)
{
    ScanResult result;
    Display display(observer);
    ClearStores(stores);

    const LogFolder folder = ListLogFolder(settings.LogDir, settings.FileFilter);
    const std::vector<LogFileEntry>& files = folder.Files;
    if (folder.Error)
        result.FolderError = *folder.Error;
    result.FileFilter = settings.FileFilter;
    result.FolderLeftOut = folder.LeftOut;
    double totalBytes = 0;
    result.LogFileList.reserve(files.size());
    for (const LogFileEntry& file : files) {
        result.LogFileList.push_back(file.Name);
        result.Files.emplace_back().Name = file.Name;
        totalBytes += static_cast<double>(file.Size);
    }
    const EventList events(settings.NEvents);

    display.Phase(ScanPhase::Reading);
    ScanSteps steps(settings, files, stores, display, result, stop);
    const ReadFunction read = [&](ReadSink& sink) {
        ReadFiles(settings, files, totalBytes, events, threads == ScanThreads::Two, sink);
    };
    if (threads == ScanThreads::Two)
        ReadAhead(read, steps);
    else
        read(steps);
    steps.Finish();

    if (settings.CheckLogFiles) {
        display.FilesDone();
        display.Percent(0, false);
        display.Phase(ScanPhase::CheckingDuplicates);
        // The records a stopped reading kept are still checked; a Stop
        // during the check ends it.
        const std::atomic<bool>* checkStop = stop.load() ? nullptr : &stop;
        result.DuplicatesFound =
            MarkDuplicates(stores, [&display](int percent) { display.Percent(percent, false); }, checkStop);
    }
    return result;
}

namespace {

// "Folder has no log files", and when the folder holds exports of other
// forms that the filter leaves out, which and how many.
std::string NoLogFilesWarning(const ScanResult& result)
{
    std::string text = "Folder has no log files";
    if (result.FolderLeftOut.empty())
        return text;
    const std::string filter = result.FileFilter.toLatin1().toStdString();
    text += " matching the file filter \"" + filter + "\"; it holds ";
    for (const auto& [ext, n] : result.FolderLeftOut)
        text += (ext == result.FolderLeftOut.begin()->first ? "" : ", ") + std::to_string(n) + " " + ext +
                (n == 1 ? " file" : " files");
    return text + "; the filter \"" + FilterReadingLeftOut(filter, result.FolderLeftOut) + "\" reads them";
}

}  // namespace

std::int64_t ScanResult::UnreadLines() const
{
    return std::accumulate(Files.begin(), Files.end(), std::int64_t{0},
                           [](std::int64_t n, const FileSummary& f) { return n + f.Unread; });
}

std::vector<std::string> ScanWarnings(const ScanResult& result)
{
    std::vector<std::string> warnings;
    if (result.LogFileList.empty())
        warnings.push_back(NoLogFilesWarning(result));
    if (result.DuplicatesFound)
        warnings.push_back("Duplicates is found!");
    if (result.SkippedForCapacity > 0)
        warnings.push_back((result.OutOfMemory ? "Out of memory: " : "Tables are full: ") +
                           Counted(result.SkippedForCapacity, "connection line was", "connection lines were") +
                           " skipped.");
    // Each file's problems: the file named, then what and why.
    for (const FileSummary& f : result.Files)
        for (const std::string& problem : f.Problems)
            warnings.push_back(f.Name.toLatin1().toStdString() + ": " + problem + ".");
    return warnings;
}

}  // namespace vy
