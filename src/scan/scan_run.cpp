#include "scan/scan_run.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>

#include "reports/date_text.h"
#include "scan/duplicate_check.h"
#include "scan/exclusion_filters.h"
#include "scan/file_enumeration.h"
#include "scan/line_parser.h"
#include "scan/log_reader.h"
#include "scan/name_cache.h"
#include "scan/progress.h"

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
        : settings_(settings), stores_(stores), result_(result), matcher_(settings.LogLanguage, settings.NEvents),
          users_(settings.ExcludedUsers), domains_(settings.ExcludedDomains), ports_(settings.ExcludedPorts)
    {
    }

    // The text every connection line holds: a line without it is none.
    std::string_view Marker() const { return MarkersFor(settings_.LogLanguage).Recognition; }

    void Process(std::string_view text)
    {
        if (!matcher_.IsConnectionLine(text))
            return;
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
        record.UserIndex = static_cast<std::uint16_t>(u);
        record.DateTime = line_.DateTime;
        record.SpeedIndex = static_cast<std::uint16_t>(sp);
        record.ActiveTime = line_.ActiveTime;
        record.BytesSent = line_.BytesSent;
        record.BytesReceived = line_.BytesReceived;
        stores_.Connections.Append(record);
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
        if (stores_.Connections.IsFull() || stores_.Names.Count() + missing > NameTable::Capacity) {
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
    LineMatcher matcher_;
    ExclusionList users_;
    ExclusionList domains_;
    ExclusionList ports_;
    ConnectionLine line_;
    NameCache userChains_;
    NameCache speedChains_;
};

// The bytes-read counter and the percentage it shows.
class ReadingProgress {
public:
    ReadingProgress(Display& display, double totalBytes) : display_(display), totalBytes_(totalBytes) {}

    // One line read, counting the given bytes: the percentage is shown
    // when it changes.
    void Line(double counted)
    {
        bytesRead_ += counted;
        if (bytesRead_ >= nextCheck_) {
            const int percent = ReadingPercent(bytesRead_, totalBytes_);
            display_.Percent(percent, true);
            // The value only grows with the bytes read and stays until it
            // reaches the next half; below that bound (kept a little short
            // of it) no line can show another value.
            nextCheck_ = totalBytes_ > 0 && percent < INT_MAX ? (percent + 0.5) * totalBytes_ / 100 * (1 - 1e-9)
                                                               : std::numeric_limits<double>::infinity();
        }
    }

    // Whole lines that are no connection lines, read one after the other
    // as by Line. Where the percentage can change among them they are
    // counted one by one, and stop is looked at after each line that showed
    // a value: false when it was set then.
    bool PassLines(std::string_view lines, const std::atomic<bool>& stop)
    {
        const double counted = static_cast<double>(CountedBytes(lines));
        if (bytesRead_ + counted < nextCheck_) {
            bytesRead_ += counted;  // whole numbers: the same sum as line by line
            return true;
        }
        std::size_t at = 0;
        while (at < lines.size()) {
            const char* cr = static_cast<const char*>(std::memchr(lines.data() + at, '\r', lines.size() - at));
            const std::size_t end = static_cast<std::size_t>(cr - lines.data());
            const double before = nextCheck_;
            Line(static_cast<double>(end - at) + 2);
            at = end + 1;
            if (at < lines.size() && lines[at] == '\n')
                ++at;
            if (nextCheck_ != before && stop.load(std::memory_order_relaxed))
                return false;
        }
        return true;
    }

private:
    Display& display_;
    double totalBytes_;
    double bytesRead_ = 0;
    double nextCheck_ = -1;  // the first line always shows its value
};

// The bytes of the whole lines at the start of text that come before the
// first occurrence of marker, line ends included: lines that cannot hold
// the marker. 0 when the first line may hold it or is not whole.
std::size_t LinesWithout(std::string_view text, std::string_view marker)
{
    const std::size_t hit = FindMarker(text, marker);
    const std::size_t limit = hit == std::string_view::npos ? text.size() : hit;
    const void* cr = limit == 0 ? nullptr : ::memrchr(text.data(), '\r', limit);
    if (cr == nullptr)
        return 0;
    std::size_t end = static_cast<std::size_t>(static_cast<const char*>(cr) - text.data()) + 1;
    if (end < text.size() && text[end] == '\n')
        ++end;
    return end;
}

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

}  // namespace

ScanResult RunScan(const ScanSettings& settings, Stores& stores, const std::atomic<bool>& stop,
                   ScanObserver* observer)
{
    ScanResult result;
    Display display(observer);
    ClearStores(stores);
    ProcessDateTexts().StripSeconds();

    const std::vector<LogFileEntry> files = EnumerateLogFiles(settings.LogDir, settings.FileFilter);
    double totalBytes = 0;
    result.LogFileList.reserve(files.size());
    for (const LogFileEntry& f : files) {
        result.LogFileList.push_back(f.Name);
        totalBytes += static_cast<double>(f.Size);
    }

    display.Phase("Processing");
    LineProcessor processor(settings, stores, result);
    ReadingProgress progress(display, totalBytes);
    LogReader reader(std::size_t{256} << 10);
    LogLineRead line;
    bool stopped = false;
    for (const LogFileEntry& f : files) {
        if (stop.load(std::memory_order_relaxed))
            break;  // stopped before this file's first line: nothing more is read
        display.File("file: " + f.Name.toLower().toLatin1().toStdString());
        if (!reader.Open(JoinPath(settings.LogDir, f.Name))) {
            result.UnreadableFiles.push_back(f.Name);
            continue;
        }
        for (;;) {
            // The lines before the next one that holds the marker are no
            // connection lines: they only count, and are passed in one go.
            const std::string_view buffered = reader.Buffered();
            const std::size_t passable = LinesWithout(buffered, processor.Marker());
            if (passable > 0) {
                stopped = !progress.PassLines(buffered.substr(0, passable), stop);
                reader.Pass(passable);
                if (stopped || stop.load(std::memory_order_relaxed)) {
                    stopped = true;
                    break;
                }
                continue;
            }
            if (!reader.Next(line))
                break;
            progress.Line(static_cast<double>(line.Length) + 2);
            if (line.Overlong)
                ++result.OverlongLines;
            else
                processor.Process(line.Text);
            if (stop.load(std::memory_order_relaxed)) {
                stopped = true;
                break;
            }
        }
        if (reader.Failed())
            result.UnreadableFiles.push_back(f.Name);
        reader.Close();
        if (stopped)
            break;
    }

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
