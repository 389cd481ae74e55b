#include "scan/scan_run.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <utility>

#include "scan/duplicate_check.h"
#include "scan/evtx_damage_sentences.h"
#include "scan/evtx_read_ahead.h"
#include "scan/exclusion_filters.h"
#include "scan/csv_export_reader.h"
#include "scan/file_enumeration.h"
#include "scan/line_parser.h"
#include "scan/log_form.h"
#include "scan/log_reader.h"
#include "scan/name_cache.h"
#include "scan/progress.h"
#include "scan/reading_progress.h"
#include "scan/scan_pipeline.h"
#include "scan/xml_export_reader.h"

namespace vy {

namespace {

// Tells the observer only what changes.
class Display {
public:
    explicit Display(ScanObserver* observer) : observer_(observer) {}

    void Phase(ScanPhase phase)
    {
        if (observer_ != nullptr && (!phaseShown_ || phase != phase_))
            observer_->PhaseBegun(phase);
        phase_ = phase;
        phaseShown_ = true;
    }
    void File(const QString& name)
    {
        if (observer_ != nullptr)
            observer_->FileBegun(name);
        fileShown_ = true;
    }
    void FilesDone()
    {
        if (observer_ != nullptr && fileShown_)
            observer_->FilesDone();
        fileShown_ = false;
    }
    // A new percentage, or the same one when the title starts following it.
    void Percent(int percent, bool reading)
    {
        if (observer_ != nullptr && (!percentShown_ || percent != percent_ || reading != reading_))
            observer_->PercentDone(percent, reading);
        percent_ = percent;
        reading_ = reading;
        percentShown_ = true;
    }

private:
    ScanObserver* observer_;
    ScanPhase phase_ = ScanPhase::Reading;
    int percent_ = 0;
    bool reading_ = false;
    bool phaseShown_ = false;
    bool fileShown_ = false;
    bool percentShown_ = false;
};

// The entries of one line's names, -1 where the table lacks one. Below a
// missing entry nothing can be found: it would be new as well.
struct LineNames {
    int Domain = -1, User = -1, Server = -1, Port = -1, Speed = -1;
    int Missing() const
    {
        return (Domain < 0) + (User < 0) + (Server < 0) + (Port < 0) + (Speed < 0);
    }
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

// Everything a scan uses for each line, prepared once.
class LineProcessor {
public:
    LineProcessor(const ScanSettings& settings, Stores& stores, ScanResult& result)
        : settings_(settings), stores_(stores), result_(result), users_(settings.ExcludedUsers), domains_(settings.ExcludedDomains), ports_(settings.ExcludedPorts)
    {
    }

    // A line that IsConnectionLine accepted; false when it cannot be read.
    bool Process(std::string_view text)
    {
        // Every value is read before any name is added: a malformed line
        // leaves no trace but its count.
        if (!ParseConnectionLine(settings_.LogLanguage, text, line_))
            return false;
        Store(line_);
        return true;
    }

    // The values of such a line into out, nothing stored.
    bool Read(std::string_view text, ConnectionLine& out) const
    {
        return ParseConnectionLine(settings_.LogLanguage, text, out);
    }

    // A recognised event of an export with its message apart.
    bool Process(const EventMessage& event)
    {
        const std::string_view message = DecodeLine(event.Message, event.Encoding, decoded_);
        if (!ParseEventMessage(settings_.LogLanguage, event.EventId, event.Server, message, line_))
            return false;
        Store(line_);
        return true;
    }

    // A connection of an event log file: the same rules from here on.
    void Process(const EvtxConnection& c, const std::vector<std::string>& names)
    {
        line_.DateTime = c.DateTime;
        line_.Domain = names[c.Domain];
        line_.User = names[c.User];
        line_.Server = names[c.Server];
        line_.Port = names[c.Port];
        line_.Speed = names[c.Speed];
        line_.ActiveTime = c.ActiveTime;
        line_.BytesSent = c.BytesSent;
        line_.BytesReceived = c.BytesReceived;
        Store(line_);
    }

    // A connection whose values were read: the date range, the filters,
    // the names and the record. note: what Prefetch noted of it.
    void Store(const ConnectionLine& line, const AheadNote* note = nullptr)
    {
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
            ++result_.SkippedForCapacity;  // out of memory
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

    // Fetches what Store will read of the caches for line, noting the
    // chains' hashes for it.
    void Prefetch(const ConnectionLine& line, AheadNote& note)
    {
        ChainKeys(line);
        note = {userChains_.KeyHash(), speedChains_.KeyHash()};
        userChains_.Prefetch(note[0]);
        speedChains_.Prefetch(note[1]);
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
                ++result_.SkippedForCapacity;  // out of memory
                return false;
            }
        }
        u = n.User;
        sp = n.Speed;
        userChains_.Add(u);
        speedChains_.Add(sp);
        return true;
    }

    const ScanSettings& settings_;
    Stores& stores_;
    ScanResult& result_;
    ExclusionList users_;
    ExclusionList domains_;
    ExclusionList ports_;
    ConnectionLine line_;
    std::string decoded_;  // a message as single bytes
    NameCache userChains_;
    NameCache speedChains_;
};

// How many bytes at the start of text are whole lines before the line that
// holds the first occurrence of marker (all whole lines when none does).
struct LinesBefore {
    std::size_t Bytes = 0;
    std::size_t Clear = 0;  // bytes after them with no line end: up to the marker, or to the end
    bool MarkerAfter = false;  // the line after them holds the marker
    std::size_t Ascii = 0;  // bytes at the start of that line known to be below 0x80
};

LinesBefore LinesBeforeMarker(std::string_view text, const LineMatcher& matcher)
{
    const std::size_t hit = matcher.FindMarker(text);
    const std::size_t at = std::min(hit, text.size());
    const LineHead head = LineHeadOf(text, at);
    const bool found = hit != std::string_view::npos;
    // The marker is plain ASCII too.
    return {head.Start, at - head.Start, found, found && head.Ascii ? at - head.Start + matcher.Marker().size() : 0};
}

// The reading of every file: lines, their progress, and which are
// connection lines. The lines before the next one that holds the
// recognition marker are no connection lines: they only count, and are
// passed in one go.
void ReadFiles(const ScanSettings& settings, const std::vector<LogFileEntry>& files, double totalBytes,
               const EvtxReadAhead& evtx, ReadSink& sink)
{
    // Lines of the connection events that the list leaves out: found by
    // their ID field in the same pass as the listed ones, then told by
    // source.
    const LineMatcher matcher(settings.LogLanguage, settings.NEvents, UnlistedConnectionIds(settings.NEvents));
    ReadingProgress progress(sink, totalBytes);
    LogReader reader;  // big blocks: fewer reads, and the batches fill in fewer steps
    LogLineRead line;
    std::string decoded;  // reused for every line that needs decoding
    ConnectionLine values;  // the same for the values of each line
    double fileStart = 0;  // the counter at the start of the file
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (sink.Stopped())
            return;  // stopped before this file's first line: nothing more is read
        sink.FileBegin(i);
        if (evtx.IsEvtx(i)) {
            // Read whole by the scan's own steps; here it only counts.
            fileStart += static_cast<double>(files[i].Size);
            progress.Line(fileStart, false);
            continue;
        }
        if (!reader.Open(files[i].Path)) {
            sink.FileUnreadable(i);
            continue;
        }
        // The form of the file, from its first line. Only the classic one is
        // read below; the exports have readers of their own.
        const LogForm form = DetectLogForm(reader.Head());
        if (form != LogForm::Classic && form != LogForm::EventLogFile) {
            const std::string fileName = files[i].Name.toLatin1().toStdString();
            const ExportReading reading{files[i].Path, i, matcher, ServerOfFileName(fileName), progress, fileStart, sink};
            const bool read = form == LogForm::Xml ? ReadXmlExport(reader, reading) : ReadCsvExport(reader, form, reading);
            if (reader.Failed())
                sink.FileUnreadable(i);
            fileStart += static_cast<double>(reader.Consumed());
            reader.Close();
            if (!read)
                return;
            continue;
        }
        // Everything else in the classic layout (an event log file that the
        // reader above was not given, too: no line of it is a connection).
        bool stopped = false;
        bool markerNext = false;  // the next line holds the marker: it was found there
        std::size_t ascii = 0;  // and this many bytes at its start are below 0x80
        for (;;) {
            if (!markerNext) {
                const LinesBefore passable = LinesBeforeMarker(reader.Buffered(), matcher);
                markerNext = passable.MarkerAfter;
                ascii = passable.Ascii;
                if (passable.Bytes > 0)
                    stopped = !progress.PassLines(reader, passable.Bytes, fileStart) || sink.Stopped();
                reader.Pass(passable.Bytes, passable.Clear);
                if (passable.Bytes > 0) {
                    if (stopped)
                        break;
                    continue;
                }
            }
            if (!reader.Next(line))
                break;
            const bool marker = !line.Overlong && (markerNext || matcher.FindMarker(line.Text) != std::string_view::npos);
            const LineMatcher::IdField field = marker ? matcher.IdFieldOf(line.Text) : LineMatcher::IdField::None;
            const bool connection = field == LineMatcher::IdField::Listed;
            markerNext = false;
            const std::size_t asciiHead = std::exchange(ascii, 0);
            const std::int64_t consumed = reader.Consumed();
            progress.Line(fileStart + static_cast<double>(consumed), connection || line.Overlong);
            if (line.Overlong)
                sink.Overlong();
            else if (connection) {
                // Read here, beside the search, while the scan's thread is
                // behind; a line that cannot be read goes over whole, to be
                // counted where its place is known.
                const std::string_view text = DecodeLine(line.Text, reader.Encoding(), decoded, asciiHead);
                if (sink.ValuesWanted() && ParseConnectionLine(settings.LogLanguage, text, values))
                    sink.Parsed(values);
                else
                    sink.Connection(text, consumed);
            }
            else if (field == LineMatcher::IdField::Also)
                if (const int id = UnlistedConnectionEvent(line.Text))
                    sink.EventNotListed(id);
            if (sink.Stopped()) {
                stopped = true;
                break;
            }
        }
        if (reader.Failed())
            sink.FileUnreadable(i);
        const double consumed = static_cast<double>(reader.Consumed());
        reader.Close();
        if (stopped)
            return;
        // What follows a Ctrl-Z is not read, but the file is done: the rest
        // counts, or the bar would end short of its end.
        fileStart += std::max(consumed, static_cast<double>(files[i].Size));
        if (consumed < static_cast<double>(files[i].Size)) {
            progress.Line(fileStart, false);
            if (sink.Stopped())
                return;
        }
    }
}

// What each finding does to the scan.
class ScanSteps : public ReadSteps {
public:
    ScanSteps(const std::vector<LogFileEntry>& files, Display& display, LineProcessor& processor, ScanResult& result,
              EvtxReadAhead& evtx, const std::atomic<bool>& stop)
        : files_(files), display_(display), processor_(processor), result_(result), evtx_(evtx), stop_(stop)
    {
    }
    void FileBegin(std::size_t index) override
    {
        file_ = index;
        display_.File(files_[index].Name);
        if (evtx_.IsEvtx(index))
            EventLogFile(index);
    }
    void FileUnreadable(std::size_t index) override { result_.UnreadableFiles.push_back(files_[index].Name); }
    void Percent(int percent) override { display_.Percent(percent, true); }
    void Connection(std::string_view line, std::int64_t end) override
    {
        // Rare: the place is kept as a file offset and made a line number
        // once the reading is over.
        if (!processor_.Process(line) && Count(file_, false) == 1)
            firstAt_.push_back({result_.Unread.size() - 1, file_, end});
    }
    void Message(const EventMessage& event) override
    {
        // As a line: the place is made a line number once the reading is
        // over (a byte of the event's first line).
        if (!processor_.Process(event) && Count(file_, false) == 1)
            firstAt_.push_back({result_.Unread.size() - 1, file_, event.Offset + 1});
    }
    void Parsed(const ConnectionLine& connection) override { processor_.Store(connection); }
    bool Values(std::string_view line, ConnectionLine& out) override { return processor_.Read(line, out); }
    void Ahead(const ConnectionLine& connection, AheadNote& note) override { processor_.Prefetch(connection, note); }
    void Noted(const ConnectionLine& connection, const AheadNote& note) override { processor_.Store(connection, &note); }
    void Overlong() override { ++result_.OverlongLines; }
    void UnreadLine(std::size_t file, std::int64_t line) override { Unread(file, line, false); }
    void UnreadRecord(std::size_t file, std::int64_t record) override { Unread(file, record, true); }
    void EventNotListed(int id) override { ++result_.EventsNotListed[id]; }

    // The files whose first unread line is known by its offset only: the
    // entry of result.Unread, and the offset.
    struct OffsetOnly {
        std::size_t Entry;
        std::size_t File;
        std::int64_t End;
    };
    const std::vector<OffsetOnly>& FirstOffsets() const { return firstAt_; }

private:
    // Its connections in record order, Stop looked at after each as after
    // a connection line; what could not be read, and the events left out of
    // the list, counted as those of the text forms.
    void EventLogFile(std::size_t index)
    {
        const EvtxFileRead read = evtx_.Take(index);
        if (!read.Counts.Opened)
            result_.UnreadableFiles.push_back(files_[index].Name);
        for (const EvtxConnection& c : read.Connections) {
            if (stop_.load(std::memory_order_relaxed))
                break;
            processor_.Process(c, read.Names);
        }
        if (read.Counts.Unreadable > 0) {
            result_.Unread.push_back({files_[index].Name, read.Counts.Unreadable, read.Counts.FirstUnreadable, true});
            lastFile_ = index;
        }
        for (const auto& [id, n] : read.Counts.NotListed)
            result_.EventsNotListed[id] += n;
        result_.EventLogFiles.push_back({files_[index].Name, read.Counts});
    }

    void Unread(std::size_t file, std::int64_t where, bool records)
    {
        if (Count(file, records) == 1)
            result_.Unread.back().First = where;
    }
    // Counts one more of file; the count now.
    std::int64_t Count(std::size_t file, bool records)
    {
        std::vector<UnreadInFile>& unread = result_.Unread;
        if (unread.empty() || lastFile_ != file) {
            unread.push_back({files_[file].Name, 0, 0, records});
            lastFile_ = file;
        }
        return ++unread.back().Count;
    }

    const std::vector<LogFileEntry>& files_;
    Display& display_;
    LineProcessor& processor_;
    ScanResult& result_;
    EvtxReadAhead& evtx_;
    const std::atomic<bool>& stop_;
    std::size_t file_ = 0;
    std::size_t lastFile_ = static_cast<std::size_t>(-1);
    std::vector<OffsetOnly> firstAt_;
};

// The number of the line that ends at file offset end, counted from 1 by
// the reader's own line ends.
std::int64_t LineNumberAt(const std::filesystem::path& path, std::int64_t end)
{
    LogReader reader;
    if (!reader.Open(path))
        return 0;
    std::int64_t number = 0;
    LogLineRead line;
    while (reader.Next(line)) {
        ++number;
        if (reader.Consumed() >= end)
            break;
    }
    return number;
}

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
    std::vector<std::filesystem::path> evtxPaths(files.size());  // the event log files, told by their first bytes
    for (std::size_t i = 0; i < files.size(); ++i) {
        result.LogFileList.push_back(files[i].Name);
        totalBytes += static_cast<double>(files[i].Size);
        if (IsEvtxFile(files[i].Path))
            evtxPaths[i] = files[i].Path;
    }
    const EvtxEventList evtxEvents(settings.NEvents);
    EvtxReadAhead evtx(std::move(evtxPaths), evtxEvents, threads == ScanThreads::Two ? 2 : 0, &stop);

    display.Phase(ScanPhase::Reading);
    LineProcessor processor(settings, stores, result);
    ScanSteps steps(files, display, processor, result, evtx, stop);
    const ReadFunction read = [&](ReadSink& sink) { ReadFiles(settings, files, totalBytes, evtx, sink); };
    if (threads == ScanThreads::Two)
        ReadAhead(read, steps, stop);
    else
        ReadHere(read, steps, stop);
    for (const ScanSteps::OffsetOnly& first : steps.FirstOffsets()) {
        result.Unread[first.Entry].First = LineNumberAt(files[first.File].Path, first.End);
    }

    if (settings.CheckLogFiles) {
        display.FilesDone();
        display.Percent(0, false);
        display.Phase(ScanPhase::CheckingDuplicates);
        result.DuplicatesFound = MarkDuplicates(stores, [&display](int percent) { display.Percent(percent, false); });
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
    text += " matching the file filter \"" + result.FileFilter.toLatin1().toStdString() + "\"; it holds ";
    bool first = true;
    for (const auto& [ext, n] : result.FolderLeftOut) {
        if (!first)
            text += ", ";
        text += std::to_string(n) + " " + ext + (n == 1 ? " file" : " files");
        first = false;
    }
    return text;
}

}  // namespace

std::int64_t ScanResult::UnreadLines() const
{
    std::int64_t n = 0;
    for (const UnreadInFile& f : Unread)
        n += f.Count;
    return n;
}

std::vector<std::string> ScanWarnings(const ScanResult& result)
{
    std::vector<std::string> warnings;
    if (result.LogFileList.empty())
        warnings.push_back(NoLogFilesWarning(result));
    if (result.DuplicatesFound)
        warnings.push_back("Duplicates is found!");
    if (result.SkippedForCapacity > 0)
        warnings.push_back("Tables are full: " + std::to_string(result.SkippedForCapacity) +
                           " connection lines were skipped.");
    if (!result.UnreadableFiles.empty()) {
        const std::size_t n = result.UnreadableFiles.size();
        std::string text = std::to_string(n) + (n == 1 ? " log file could not be read: " : " log files could not be read: ");
        for (std::size_t i = 0; i < n; ++i) {
            if (i > 0)
                text += ", ";
            text += result.UnreadableFiles[i].toLatin1().toStdString();
        }
        warnings.push_back(text);
    }
    for (const ScanResult::EventLogFile& f : result.EventLogFiles)
        for (const std::string& damage : EvtxDamageSentences(f.Counts))
            warnings.push_back(f.Name.toLatin1().toStdString() + ": " + damage + ".");
    if (result.OverlongLines > 0)
        warnings.push_back(std::to_string(result.OverlongLines) + (result.OverlongLines == 1 ? " line was" : " lines were") +
                           " longer than " + std::to_string(LogReader::DefaultMaxLine >> 20) +
                           " MiB and could not be examined.");
    return warnings;
}

}  // namespace vy
