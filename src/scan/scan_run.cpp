#include "scan/scan_run.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <utility>

#include "scan/duplicate_check.h"
#include "scan/exclusion_filters.h"
#include "scan/csv_export_reader.h"
#include "scan/file_enumeration.h"
#include "scan/line_counter.h"
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

// Tells the observer only what changes on screen.
class Display {
public:
    explicit Display(ScanObserver* observer) : observer_(observer) {}

    void Phase(const std::string& text)
    {
        if (observer_ != nullptr && (!phaseShown_ || text != phase_))
            observer_->SetPhase(text);
        phase_ = text;
        phaseShown_ = true;
    }
    void File(const std::string& text)
    {
        if (observer_ != nullptr && text != file_)
            observer_->SetFile(text);
        file_ = text;
    }
    // A new percentage, or the same one when the title starts following it.
    void Percent(int percent, bool title)
    {
        if (observer_ != nullptr && (!percentShown_ || percent != percent_ || title != title_))
            observer_->SetPercent(percent, title);
        percent_ = percent;
        title_ = title;
        percentShown_ = true;
    }

private:
    ScanObserver* observer_;
    std::string phase_;
    std::string file_;  // panel 1 is empty when a scan starts
    int percent_ = 0;
    bool title_ = false;
    bool phaseShown_ = false;
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

    // A line that IsConnectionLine accepted. False when it could not be
    // read.
    bool Process(std::string_view text)
    {
        // Every value is read before any name is added: a malformed line
        // leaves no trace.
        if (!ParseConnectionLine(settings_.LogLanguage, text, line_))
            return false;
        Store(line_);
        return true;
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

    // A connection whose values were read: the date range, the filters,
    // the names and the record.
    void Store(const ConnectionLine& line)
    {
        if (!(settings_.InitialDate <= line.DateTime && line.DateTime <= settings_.FinalDate + 1))
            return;
        if (Listed(users_, line.User) || Listed(domains_, line.Domain) || Listed(ports_, line.Port))
            return;
        userChains_.BeginKey();
        userChains_.AddPart(line.Domain);
        userChains_.AddPart(line.User);
        speedChains_.BeginKey();
        speedChains_.AddPart(line.Domain);
        speedChains_.AddPart(line.Server);
        speedChains_.AddPart(line.Port);
        speedChains_.AddPart(line.Speed);
        int u = userChains_.Find();
        int sp = u >= 0 ? speedChains_.Find() : -1;
        if (u < 0 || sp < 0) {
            if (!AddNames(line, u, sp))
                return;
        } else if (stores_.Connections.IsFull()) {
            ++result_.SkippedForCapacity;
            return;
        }
        ConnectionRecord record;
        record.UserIndex = static_cast<std::uint16_t>(u);
        record.DateTime = line.DateTime;
        record.SpeedIndex = static_cast<std::uint16_t>(sp);
        record.ActiveTime = line.ActiveTime;
        record.BytesSent = line.BytesSent;
        record.BytesReceived = line.BytesReceived;
        stores_.Connections.Append(record);
    }

private:
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
        if (stores_.Connections.IsFull() || stores_.Names.Count() + missing > NameTable::Capacity) {
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

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

// The reading of every file: lines, their progress, and which are
// connection lines. The lines before the next one that holds the
// recognition marker are no connection lines: they only count, and are
// passed in one go.
void ReadFiles(const ScanSettings& settings, const std::vector<LogFileEntry>& files, double totalBytes,
               ReadSink& sink)
{
    const LineMatcher matcher(settings.LogLanguage, settings.NEvents);
    // Lines of current servers' events left out by the event list are told
    // (only lines with the marker are looked at, and only while one of the
    // two IDs is missing from the list).
    const bool currentListed = matcher.Lists(kCurrentFormEventId) && matcher.Lists(kSpeedFormEventId);
    ReadingProgress progress(sink, totalBytes);
    LogReader reader;  // big blocks: fewer reads, and the batches fill in fewer steps
    LogLineRead line;
    std::string decoded;  // reused for every line that needs decoding
    double fileStart = 0;  // the counter at the start of the file
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (sink.Stopped())
            return;  // stopped before this file's first line: nothing more is read
        sink.FileBegin(i);
        if (!reader.Open(JoinPath(settings.LogDir, files[i].Name))) {
            sink.FileUnreadable(i);
            continue;
        }
        // The form of the file, from its first line. Only the classic one is
        // read below; the exports have readers of their own.
        const LogForm form = DetectLogForm(reader.Head());
        if (form != LogForm::Classic && form != LogForm::EventLogFile) {
            const std::string fileName = files[i].Name.toLatin1().toStdString();
            const ExportReading reading{JoinPath(settings.LogDir, files[i].Name), matcher, ServerOfFileName(fileName),
                                        progress, fileStart, sink};
            const bool read = form == LogForm::Xml ? ReadXmlExport(reader, reading) : ReadCsvExport(reader, form, reading);
            if (reader.Failed())
                sink.FileUnreadable(i);
            fileStart += static_cast<double>(reader.Consumed());
            reader.Close();
            if (!read)
                return;
            continue;
        }
        // An event log file (LogForm::EventLogFile) is read as lines until
        // its reader comes, which finds no connection in it.
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
            const bool connection = !line.Overlong && (markerNext ? matcher.IsConnectionLineWithMarker(line.Text)
                                                                  : matcher.IsConnectionLine(line.Text));
            const bool hadMarker = std::exchange(markerNext, false);
            const std::size_t asciiHead = std::exchange(ascii, 0);
            progress.Line(fileStart + static_cast<double>(reader.Consumed()), connection || line.Overlong);
            if (line.Overlong)
                sink.Overlong();
            else if (connection)
                sink.Connection(DecodeLine(line.Text, reader.Encoding(), decoded, asciiHead));
            else if (hadMarker && !currentListed)
                if (const std::string_view id = matcher.UnlistedCurrentEvent(line.Text); !id.empty())
                    sink.NotListed(id);
            if (sink.Stopped()) {
                stopped = true;
                break;
            }
        }
        if (reader.Failed())
            sink.FileUnreadable(i);
        fileStart += static_cast<double>(reader.Consumed());
        reader.Close();
        if (stopped)
            return;
    }
}

// What each finding does to the scan.
class ScanSteps : public ReadSteps {
public:
    ScanSteps(const QString& folder, const std::vector<LogFileEntry>& files, Display& display, LineProcessor& processor,
              ScanResult& result)
        : folder_(folder), files_(files), display_(display), processor_(processor), result_(result)
    {
    }
    void FileBegin(std::size_t index) override
    {
        display_.File("file: " + files_[index].Name.toLower().toLatin1().toStdString());
        lines_.Reset(JoinPath(folder_, files_[index].Name));
    }
    void FileUnreadable(std::size_t index) override { result_.UnreadableFiles.push_back(files_[index].Name); }
    void Percent(int percent) override { display_.Percent(percent, true); }
    void Connection(std::string_view line) override
    {
        if (!processor_.Process(line))
            Unread(0);  // where the line stands the bulk reading does not count
    }
    void Message(const EventMessage& event) override
    {
        if (!processor_.Process(event))
            Unread(lines_.LineAt(event.Offset));
    }
    void Parsed(const ConnectionLine& connection) override { processor_.Store(connection); }
    // Connections recognised but not read, and events left out by the event
    // list: what the scan's report counts.
    void Unread(std::int64_t line) override { (void)line; }
    void NotListed(std::string_view eventId) override { (void)eventId; }
    void Overlong() override { ++result_.OverlongLines; }

private:
    const QString& folder_;
    const std::vector<LogFileEntry>& files_;
    Display& display_;
    LineProcessor& processor_;
    ScanResult& result_;
    LineCounter lines_;  // names the line of an unreadable message
};

}  // namespace

ScanResult RunScan(const ScanSettings& settings, Stores& stores, const std::atomic<bool>& stop,
                   ScanObserver* observer, ScanThreads threads)
{
    ScanResult result;
    Display display(observer);
    ClearStores(stores);

    const std::vector<LogFileEntry> files = EnumerateLogFiles(settings.LogDir, settings.FileFilter);
    double totalBytes = 0;
    result.LogFileList.reserve(files.size());
    for (const LogFileEntry& f : files) {
        result.LogFileList.push_back(f.Name);
        totalBytes += static_cast<double>(f.Size);
    }

    display.Phase("Processing");
    LineProcessor processor(settings, stores, result);
    ScanSteps steps(settings.LogDir, files, display, processor, result);
    const ReadFunction read = [&](ReadSink& sink) { ReadFiles(settings, files, totalBytes, sink); };
    if (threads == ScanThreads::Two)
        ReadAhead(read, steps, stop);
    else
        ReadHere(read, steps, stop);

    if (settings.CheckLogFiles) {
        display.File("");
        display.Percent(0, false);
        display.Phase("Checking");
        result.DuplicatesFound = MarkDuplicates(stores, [&display](int percent) { display.Percent(percent, false); });
    }
    return result;
}

std::vector<std::string> ScanWarnings(const ScanResult& result)
{
    std::vector<std::string> warnings;
    if (result.LogFileList.empty())
        warnings.push_back("Folder has no log files");
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
    if (result.OverlongLines > 0)
        warnings.push_back(std::to_string(result.OverlongLines) + (result.OverlongLines == 1 ? " line was" : " lines were") +
                           " longer than " + std::to_string(LogReader::DefaultMaxLine >> 20) +
                           " MiB and could not be examined.");
    return warnings;
}

}  // namespace vy
