#include "scan/scan_run.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <cstring>
#include <limits>

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
    ExclusionList users_;
    ExclusionList domains_;
    ExclusionList ports_;
    ConnectionLine line_;
    NameCache userChains_;
    NameCache speedChains_;
};

// What the reading finds, in the order of the lines: the consumer shows
// and stores it. In a scan on one thread it acts at once; on two, the
// reading thread queues it for the scan's own thread.
class ReadSink {
public:
    virtual ~ReadSink() = default;
    virtual void FileBegin(std::size_t index) = 0;
    virtual void FileUnreadable(std::size_t index) = 0;
    // A percentage to show; lineFollows when the line that reached it
    // comes next (Stop then takes effect after that line).
    virtual void Percent(int percent, bool lineFollows) = 0;
    virtual void Connection(std::string_view line) = 0;  // a line IsConnectionLine accepted
    virtual void Overlong() = 0;
    // Whether the reading ends here: looked at after every line that reached
    // the sink, after lines passed in one go, and before every file.
    virtual bool Stopped() = 0;
};

// The bytes-read counter and the percentage it shows.
class ReadingProgress {
public:
    ReadingProgress(ReadSink& sink, double totalBytes) : sink_(sink), totalBytes_(totalBytes) {}

    // One line read, counting the given bytes: the percentage goes to the
    // sink when it may have changed. True when it went.
    bool Line(double counted, bool lineFollows)
    {
        bytesRead_ += counted;
        if (bytesRead_ < nextCheck_)
            return false;
        const int percent = ReadingPercent(bytesRead_, totalBytes_);
        sink_.Percent(percent, lineFollows);
        // The value only grows with the bytes read and stays until it
        // reaches the next half; below that bound (kept a little short of
        // it) no line can show another value.
        nextCheck_ = totalBytes_ > 0 && percent < INT_MAX ? (percent + 0.5) * totalBytes_ / 100 * (1 - 1e-9)
                                                           : std::numeric_limits<double>::infinity();
        return true;
    }

    // Whole lines that are no connection lines, counting countedBytes in
    // all (as CountedBytes gives), read one after the other as by Line.
    // Where the percentage can change among them they are counted one by
    // one, and the sink is asked after each line that showed a value
    // whether to stop: false when it says so.
    bool PassLines(std::string_view lines, std::int64_t countedBytes)
    {
        const double counted = static_cast<double>(countedBytes);
        if (bytesRead_ + counted < nextCheck_) {
            bytesRead_ += counted;  // whole numbers: the same sum as line by line
            return true;
        }
        std::size_t at = 0;
        while (at < lines.size()) {
            const char* cr = static_cast<const char*>(std::memchr(lines.data() + at, '\r', lines.size() - at));
            const std::size_t end = static_cast<std::size_t>(cr - lines.data());
            const bool shown = Line(static_cast<double>(end - at) + 2, false);
            at = end + 1;
            if (at < lines.size() && lines[at] == '\n')
                ++at;
            if (shown && sink_.Stopped())
                return false;
        }
        return true;
    }

private:
    ReadSink& sink_;
    double totalBytes_;
    double bytesRead_ = 0;
    double nextCheck_ = -1;  // the first line always shows its value
};

// The whole lines at the start of text that come before the first
// occurrence of the marker: lines that cannot hold it.
struct LinesWithout {
    std::size_t Bytes = 0;      // their bytes, line ends included; 0 when the first line may hold it
    std::int64_t Counted = 0;   // what they add to the bytes-read counter
    bool MarkerAfter = false;   // the line after them holds the marker
};

LinesWithout LinesBeforeMarker(std::string_view text, const PreparedMarker& marker)
{
    const MarkerStretch s = ScanToMarker(text, marker);
    LinesWithout lines;
    lines.MarkerAfter = s.Hit != std::string_view::npos;
    if (s.LastReturn == std::string_view::npos)
        return lines;
    lines.Bytes = s.LastReturn + 1;
    if (lines.Bytes < text.size() && text[lines.Bytes] == '\n')
        ++lines.Bytes;
    // Each line its length + 2: the bytes, and one more for each carriage
    // return without its line feed (one at the very end of text included:
    // its line feed, if one comes, is passed with the next bytes).
    lines.Counted = static_cast<std::int64_t>(lines.Bytes + s.LoneReturns);
    return lines;
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
    const PreparedMarker marker(MarkersFor(settings.LogLanguage).Recognition);
    ReadingProgress progress(sink, totalBytes);
    LogReader reader(std::size_t{256} << 10);
    LogLineRead line;
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
        for (;;) {
            if (!markerNext) {
                const std::string_view buffered = reader.Buffered();
                const LinesWithout passable = LinesBeforeMarker(buffered, marker);
                markerNext = passable.MarkerAfter;
                if (passable.Bytes > 0) {
                    stopped =
                        !progress.PassLines(buffered.substr(0, passable.Bytes), passable.Counted) || sink.Stopped();
                    reader.Pass(passable.Bytes);
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
            progress.Line(static_cast<double>(line.Length) + 2, connection || line.Overlong);
            if (line.Overlong)
                sink.Overlong();
            else if (connection)
                sink.Connection(line.Text);
            if (sink.Stopped()) {
                stopped = true;
                break;
            }
        }
        if (reader.Failed())
            sink.FileUnreadable(i);
        reader.Close();
        if (stopped)
            return;
    }
}

// The consumer's side: what each finding does to the scan.
class ScanSteps {
public:
    ScanSteps(const std::vector<LogFileEntry>& files, Display& display, LineProcessor& processor, ScanResult& result)
        : files_(files), display_(display), processor_(processor), result_(result)
    {
    }
    void FileBegin(std::size_t index)
    {
        display_.File("file: " + files_[index].Name.toLower().toLatin1().toStdString());
    }
    void FileUnreadable(std::size_t index) { result_.UnreadableFiles.push_back(files_[index].Name); }
    void Percent(int percent) { display_.Percent(percent, true); }
    void Connection(std::string_view line) { processor_.Process(line); }
    void Overlong() { ++result_.OverlongLines; }

private:
    const std::vector<LogFileEntry>& files_;
    Display& display_;
    LineProcessor& processor_;
    ScanResult& result_;
};

// One thread: every finding takes effect at once.
class DirectSink : public ReadSink {
public:
    DirectSink(ScanSteps& steps, const std::atomic<bool>& stop) : steps_(steps), stop_(stop) {}
    void FileBegin(std::size_t index) override { steps_.FileBegin(index); }
    void FileUnreadable(std::size_t index) override { steps_.FileUnreadable(index); }
    void Percent(int percent, bool) override { steps_.Percent(percent); }
    void Connection(std::string_view line) override { steps_.Connection(line); }
    void Overlong() override { steps_.Overlong(); }
    bool Stopped() override { return stop_.load(std::memory_order_relaxed); }

private:
    ScanSteps& steps_;
    const std::atomic<bool>& stop_;
};

// Two threads: the findings of the reading thread, handed over in batches.
// A batch holds the connection lines themselves, copied out of the reader's
// buffer, so the reading can go on while the scan's thread stores them.
class BatchQueue {
public:
    enum Kind : std::uint8_t { FileBegin, FileUnreadable, Percent, Connection, Overlong };
    struct Item {
        Kind What = FileBegin;
        bool LineFollows = false;
        int Value = 0;            // file index or percentage
        std::size_t Offset = 0;   // a connection line: its bytes in the batch
        std::size_t Length = 0;
    };
    struct Batch {
        std::vector<Item> Items;
        std::vector<char> Bytes;
        std::size_t Used = 0;
        bool Last = false;  // the reading ended with this batch
    };
    static constexpr std::size_t kBatches = 4;
    static constexpr std::size_t kItems = 4096;
    static constexpr std::size_t kBytes = std::size_t{256} << 10;

    BatchQueue()
    {
        for (Batch& b : batches_) {
            b.Items.reserve(kItems);
            b.Bytes.resize(kBytes);
        }
    }

    // The reading thread's side: a free batch to fill, emptied; nullptr
    // once the scan's thread has cancelled.
    Batch* Free()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return cancelled_ || produced_ - consumed_ < kBatches; });
        if (cancelled_)
            return nullptr;
        Batch& b = batches_[produced_ % kBatches];
        b.Items.clear();
        b.Used = 0;
        b.Last = false;
        if (b.Bytes.size() > kBytes) {
            b.Bytes.resize(kBytes);  // a long line made it grow
            b.Bytes.shrink_to_fit();
        }
        return &b;
    }
    // Waits until the scan's thread has taken every batch handed over (or
    // cancelled).
    void WaitAllTaken()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return cancelled_ || consumed_ == produced_; });
    }
    void Publish()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++produced_;
        }
        changed_.notify_all();
    }

    // The scan's thread's side: the next batch in order, waiting for it.
    Batch& Next()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return produced_ > consumed_; });
        return batches_[consumed_ % kBatches];
    }
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++consumed_;
        }
        changed_.notify_all();
    }
    void Cancel()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cancelled_ = true;
        }
        cancelledFlag_.store(true, std::memory_order_relaxed);
        changed_.notify_all();
    }
    bool Cancelled() const { return cancelledFlag_.load(std::memory_order_relaxed); }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t produced_ = 0;
    std::size_t consumed_ = 0;
    bool cancelled_ = false;
    std::atomic<bool> cancelledFlag_{false};
    Batch batches_[kBatches];
};

// The reading thread's sink: findings go into batches. A batch goes over as
// soon as it holds a file's start or a percentage, so the window follows
// the reading without waiting for a full batch.
class QueueSink : public ReadSink {
public:
    explicit QueueSink(BatchQueue& queue) : queue_(queue) {}

    // A file is opened only once its name is shown, as on one thread: what
    // happens meanwhile to the file (the observer may see to it) is seen.
    void FileBegin(std::size_t index) override
    {
        Add({BatchQueue::FileBegin, false, static_cast<int>(index)});
        Flush();
        queue_.WaitAllTaken();
    }
    void FileUnreadable(std::size_t index) override { Add({BatchQueue::FileUnreadable, false, static_cast<int>(index)}); }
    void Percent(int percent, bool lineFollows) override
    {
        Add({BatchQueue::Percent, lineFollows, percent});
        if (!lineFollows)
            Flush();
    }
    void Connection(std::string_view line) override
    {
        if (batch_ != nullptr && batch_->Bytes.size() - batch_->Used < line.size())
            Flush();
        if (!Ensure())
            return;
        if (batch_->Bytes.size() < line.size())
            batch_->Bytes.resize(line.size());  // a line longer than a batch: this one grows
        std::memcpy(batch_->Bytes.data() + batch_->Used, line.data(), line.size());
        Add({BatchQueue::Connection, false, 0, batch_->Used, line.size()});
        batch_->Used += line.size();
        if (lastLineFollows_)
            Flush();  // the percentage that came with this line is on its way
    }
    void Overlong() override
    {
        Add({BatchQueue::Overlong});
        if (lastLineFollows_)
            Flush();
    }
    bool Stopped() override { return queue_.Cancelled(); }

    // The reading has ended: the last batch goes over, marked.
    void Finish()
    {
        if (!Ensure())
            return;
        batch_->Last = true;
        Flush();
    }

private:
    bool Ensure()
    {
        if (batch_ == nullptr)
            batch_ = queue_.Free();
        return batch_ != nullptr;
    }
    void Add(const BatchQueue::Item& item)
    {
        if (batch_ != nullptr && batch_->Items.size() == BatchQueue::kItems)
            Flush();
        if (!Ensure())
            return;
        batch_->Items.push_back(item);
        lastLineFollows_ = item.What == BatchQueue::Percent && item.LineFollows;
    }
    void Flush()
    {
        if (batch_ == nullptr)
            return;
        batch_ = nullptr;
        queue_.Publish();
    }

    BatchQueue& queue_;
    BatchQueue::Batch* batch_ = nullptr;
    bool lastLineFollows_ = false;
};

// The reading on a second thread, the findings taking effect here in the
// same order, with Stop looked at where the one-thread scan looks at it.
void ReadOnSecondThread(const ScanSettings& settings, const std::vector<LogFileEntry>& files, double totalBytes,
                        ScanSteps& steps, const std::atomic<bool>& stop)
{
    auto queue = std::make_unique<BatchQueue>();
    QueueSink sink(*queue);
    std::exception_ptr failure;
    std::thread reading;
    try {
        reading = std::thread([&] {
            try {
                ReadFiles(settings, files, totalBytes, sink);
            } catch (...) {
                failure = std::current_exception();
            }
            sink.Finish();
        });
    } catch (const std::system_error&) {
        // No second thread to be had: the reading runs here.
        DirectSink direct(steps, stop);
        ReadFiles(settings, files, totalBytes, direct);
        return;
    }
    // However this thread leaves, the reading thread is ended first.
    class EndReading {
    public:
        EndReading(BatchQueue& queue, std::thread& reading) : queue_(queue), reading_(reading) {}
        EndReading(const EndReading&) = delete;
        EndReading& operator=(const EndReading&) = delete;
        ~EndReading()
        {
            queue_.Cancel();  // a reading thread still running ends without reading on
            reading_.join();
        }

    private:
        BatchQueue& queue_;
        std::thread& reading_;
    };
    std::optional<EndReading> end;
    end.emplace(*queue, reading);
    auto stopped = [&stop] { return stop.load(std::memory_order_relaxed); };
    bool done = false;
    while (!done) {
        BatchQueue::Batch& batch = queue->Next();
        for (const BatchQueue::Item& item : batch.Items) {
            switch (item.What) {
            case BatchQueue::FileBegin:
                done = stopped();
                if (!done)
                    steps.FileBegin(static_cast<std::size_t>(item.Value));
                break;
            case BatchQueue::FileUnreadable:
                steps.FileUnreadable(static_cast<std::size_t>(item.Value));
                break;
            case BatchQueue::Percent:
                steps.Percent(item.Value);
                done = !item.LineFollows && stopped();
                break;
            case BatchQueue::Connection:
                steps.Connection(std::string_view(batch.Bytes.data() + item.Offset, item.Length));
                done = stopped();
                break;
            case BatchQueue::Overlong:
                steps.Overlong();
                done = stopped();
                break;
            }
            if (done)
                break;
        }
        done = done || batch.Last;
        queue->Release();
    }
    end.reset();
    if (failure)
        std::rethrow_exception(failure);
}

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
    if (threads == ScanThreads::Two) {
        ReadOnSecondThread(settings, files, totalBytes, steps, stop);
    } else {
        DirectSink sink(steps, stop);
        ReadFiles(settings, files, totalBytes, sink);
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
