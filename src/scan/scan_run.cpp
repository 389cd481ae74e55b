#include "scan/scan_run.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <utility>

#include "scan/duplicate_check.h"
#include "scan/exclusion_filters.h"
#include "scan/file_enumeration.h"
#include "scan/line_parser.h"
#include "scan/log_reader.h"
#include "scan/name_cache.h"
#include "scan/progress.h"
#include "scan/scan_pipeline.h"

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

    // A line that IsConnectionLine accepted.
    void Process(std::string_view text)
    {
        // Every value is read before any name is added: a malformed line
        // leaves no trace.
        if (!ParseConnectionLine(settings_.LogLanguage, text, line_))
            return;
        if (!(settings_.InitialDate <= line_.DateTime && line_.DateTime <= settings_.FinalDate + 1))
            return;
        if (Listed(users_, line_.User) || Listed(domains_, line_.Domain) || Listed(ports_, line_.Port))
            return;
        userChains_.BeginKey();
        userChains_.AddPart(line_.Domain);
        userChains_.AddPart(line_.User);
        speedChains_.BeginKey();
        speedChains_.AddPart(line_.Domain);
        speedChains_.AddPart(line_.Server);
        speedChains_.AddPart(line_.Port);
        speedChains_.AddPart(line_.Speed);
        int u = userChains_.Find();
        int sp = u >= 0 ? speedChains_.Find() : -1;
        if (u < 0 || sp < 0) {
            if (!AddNames(u, sp))
                return;
        } else if (stores_.Connections.IsFull()) {
            ++result_.SkippedForCapacity;
            return;
        }
        ConnectionRecord record;
        record.UserIndex = u;
        record.DateTime = line_.DateTime;
        record.SpeedIndex = sp;
        record.ActiveTime = line_.ActiveTime;
        record.BytesSent = line_.BytesSent;
        record.BytesReceived = line_.BytesReceived;
        if (!stores_.Connections.Append(record))
            ++result_.SkippedForCapacity;  // out of memory
    }

private:
    // Most scans exclude nothing: no hashing of names then.
    static bool Listed(const ExclusionList& list, std::string_view name) { return !list.Empty() && list.Contains(name); }

    // The line's names through the name table, adding the missing ones when
    // they all fit; false when the line is skipped for capacity.
    bool AddNames(int& u, int& sp)
    {
        // How many new names the line needs is known before any is added,
        // so a line that does not fit leaves no trace.
        LineNames n = FindLineNames(stores_.Names, line_);
        const int missing = n.Missing();
        if (stores_.Connections.IsFull() || missing > NameTable::Capacity - stores_.Names.Count()) {
            ++result_.SkippedForCapacity;
            return false;
        }
        if (missing > 0) {
            // The same five calls in the same order; those found above are
            // not looked up again.
            if (n.Domain < 0)
                n.Domain = FindOrAddName(stores_, KindDomain, line_.Domain, 0, 0, 0);
            if (n.User < 0)
                n.User = FindOrAddName(stores_, KindUser, line_.User, n.Domain, 0, 0);
            if (n.Server < 0)
                n.Server = FindOrAddName(stores_, KindServer, line_.Server, n.Domain, 0, 0);
            if (n.Port < 0)
                n.Port = FindOrAddName(stores_, KindPort, line_.Port, n.Domain, n.Server, 0);
            if (n.Speed < 0)
                n.Speed = FindOrAddName(stores_, KindSpeed, line_.Speed, n.Domain, n.Server, n.Port);
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
    NameCache userChains_;
    NameCache speedChains_;
};

// The bytes-read counter and the percentage it shows. The counter is the
// bytes of the files that the lines read so far took, line ends included.
class ReadingProgress {
public:
    ReadingProgress(ReadSink& sink, double totalBytes) : sink_(sink), totalBytes_(totalBytes) {}

    // A line read, the counter now at bytesRead: the percentage goes to the
    // sink when it may have changed. True when it went.
    bool Line(double bytesRead, bool lineFollows)
    {
        if (bytesRead < nextCheck_)
            return false;
        const int percent = ReadingPercent(bytesRead, totalBytes_);
        sink_.Percent(percent, lineFollows);
        // The value only grows with the bytes read and stays until it
        // reaches the next half; below that bound (kept a little short of
        // it) no line can show another value.
        nextCheck_ = totalBytes_ > 0 && percent < INT_MAX ? (percent + 0.5) * totalBytes_ / 100 * (1 - 1e-9)
                                                           : std::numeric_limits<double>::infinity();
        return true;
    }

    // The whole lines at the start of the reader's buffered text up to n,
    // no connection lines, passed as if read one by one; fileStart is the
    // counter at the file's start. Where the percentage can change among
    // them they are counted line by line, and the sink is asked after each
    // line that showed a value whether to stop: false when it says so.
    bool PassLines(const LogReader& reader, std::size_t n, double fileStart)
    {
        if (fileStart + static_cast<double>(reader.ConsumedAfter(n)) < nextCheck_)
            return true;
        const std::string_view lines = reader.Buffered().substr(0, n);
        for (std::size_t at = 0; at < n;) {
            at = NextLineStart(lines, at);
            if (Line(fileStart + static_cast<double>(reader.ConsumedAfter(at)), false) && sink_.Stopped())
                return false;
        }
        return true;
    }

private:
    ReadSink& sink_;
    double totalBytes_;
    double nextCheck_ = -1;  // the first line always shows its value
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
            markerNext = false;
            const std::size_t asciiHead = std::exchange(ascii, 0);
            progress.Line(fileStart + static_cast<double>(reader.Consumed()), connection || line.Overlong);
            if (line.Overlong)
                sink.Overlong();
            else if (connection)
                sink.Connection(DecodeLine(line.Text, reader.Encoding(), decoded, asciiHead));
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
    ScanSteps(const std::vector<LogFileEntry>& files, Display& display, LineProcessor& processor, ScanResult& result)
        : files_(files), display_(display), processor_(processor), result_(result)
    {
    }
    void FileBegin(std::size_t index) override
    {
        display_.File("file: " + files_[index].Name.toLower().toLatin1().toStdString());
    }
    void FileUnreadable(std::size_t index) override { result_.UnreadableFiles.push_back(files_[index].Name); }
    void Percent(int percent) override { display_.Percent(percent, true); }
    void Connection(std::string_view line) override { processor_.Process(line); }
    void Overlong() override { ++result_.OverlongLines; }

private:
    const std::vector<LogFileEntry>& files_;
    Display& display_;
    LineProcessor& processor_;
    ScanResult& result_;
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
    ScanSteps steps(files, display, processor, result);
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
