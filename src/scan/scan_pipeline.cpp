#include "scan/scan_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace vy {

namespace {

// The numbers of a connection handed over with its values, and the lengths
// of its five names that follow them.
struct PackedNumbers {
    double DateTime;
    std::int64_t Sent, Received;
    std::int32_t Active;
    std::uint32_t Lengths[5];
};

// Two threads: the findings of the reading thread, handed over in batches.
// A batch holds the connection lines themselves, copied out of the reader's
// buffer, so the reading can go on while the scan's thread stores them.
class BatchQueue {
public:
    enum Kind : std::uint8_t {
        FileBegin, FileUnreadable, FileForm, Problem, Percent, Connection, Parsed, Overlong, UnreadLine,
        UnreadRecord, EventNotListed, Turn
    };
    struct Item {
        Kind What = FileBegin;
        bool LineFollows = false;
        int Value = 0;            // file index or percentage
        std::size_t Offset = 0;   // a connection line, values or a sentence: its bytes in the batch
        std::size_t Length = 0;
        std::int64_t At = 0;      // a line or record number; a form's place in the table
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

    // The queue of the pieces read beside holds a piece and more, so that
    // its thread reads on while the scan's thread takes the other's piece.
    static constexpr std::size_t kPieceBatches = 40;

    explicit BatchQueue(std::size_t batches = kBatches) : batches_(batches) {}

    // The reading thread's side: a free batch to fill, emptied; nullptr
    // once the scan's thread has cancelled.
    Batch* Free()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return cancelled_ || !free_.empty() || made_.size() < batches_; });
        if (cancelled_)
            return nullptr;
        if (free_.empty()) {
            made_.push_back(std::make_unique<Batch>());
            made_.back()->Items.reserve(kItems);
            made_.back()->Bytes.resize(kBytes);
            free_.push_back(made_.back().get());
        }
        Batch& b = *free_.back();
        free_.pop_back();
        filling_ = &b;
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
            waiting_.fetch_add(filling_->Items.size(), std::memory_order_relaxed);
            full_.push_back(filling_);
            ++produced_;
        }
        changed_.notify_all();
    }
    // How many findings wait for the scan's thread, in batches handed over.
    // Counted by findings, not batches: a batch of read values holds five
    // times the lines of a batch of lines.
    std::size_t Waiting() const { return waiting_.load(std::memory_order_relaxed); }

    // The scan's thread's side: the next batch in order, waiting for it.
    Batch& Next()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !full_.empty(); });
        return *full_.front();
    }
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            waiting_.fetch_sub(full_.front()->Items.size(), std::memory_order_relaxed);
            free_.push_back(full_.front());
            full_.pop_front();
            ++consumed_;
        }
        changed_.notify_all();
    }
    void Cancel()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cancelled_.store(true, std::memory_order_relaxed);
        }
        changed_.notify_all();
    }
    bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
    // Empty and open again, for the next reading; neither side may be at
    // work on it.
    void Reset()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        full_.clear();
        free_.clear();
        for (const std::unique_ptr<Batch>& b : made_)
            free_.push_back(b.get());
        produced_ = consumed_ = 0;
        cancelled_.store(false, std::memory_order_relaxed);
        waiting_.store(0, std::memory_order_relaxed);
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t produced_ = 0;
    std::size_t consumed_ = 0;
    std::atomic<bool> cancelled_{false};  // set under the lock, read also without it
    std::atomic<std::size_t> waiting_{0};
    const std::size_t batches_;  // at most
    std::vector<std::unique_ptr<Batch>> made_;
    std::vector<Batch*> free_;
    std::deque<Batch*> full_;  // handed over, in order
    Batch* filling_ = nullptr;  // the reading thread's
};

// The reading thread's sink: findings go into batches. A batch goes over as
// soon as it holds a file's start or a percentage, so the window follows
// the reading without waiting for a full batch.
class QueueSink : public ReadSink {
public:
    // side: the queue of a part read beside, if parts may be.
    explicit QueueSink(BatchQueue& queue, BatchQueue* side = nullptr) : queue_(queue), side_(side) {}
    ~QueueSink() override
    {
        if (sideThread_.joinable()) {
            side_->Cancel();
            sideThread_.join();
        }
    }

    // A file is opened only once its name is shown, as on one thread: what
    // happens meanwhile to the file (the observer may see to it) is seen.
    void FileBegin(std::size_t index) override
    {
        Add(Of(BatchQueue::FileBegin, index));
        Flush();
        queue_.WaitAllTaken();
    }
    void FileUnreadable(std::size_t index) override { Add(Of(BatchQueue::FileUnreadable, index)); }
    void FileForm(std::size_t index, std::size_t form) override { Add(Of(BatchQueue::FileForm, index, form)); }
    void Problem(std::size_t index, std::string_view sentence) override
    {
        const std::string_view parts[] = {sentence};
        AddBytes(Of(BatchQueue::Problem, index), parts);
    }
    void Percent(int percent, bool lineFollows) override { Add({BatchQueue::Percent, lineFollows, percent}); }
    void Connection(std::string_view line, std::int64_t at) override
    {
        const std::string_view parts[] = {line};
        AddBytes({BatchQueue::Connection, false, 0, 0, 0, at}, parts);
    }
    void Parsed(const ConnectionLine& c) override
    {
        // The numbers, then each name after its length.
        PackedNumbers n{c.DateTime, c.BytesSent, c.BytesReceived, c.ActiveTime,
            {static_cast<std::uint32_t>(c.Domain.size()), static_cast<std::uint32_t>(c.User.size()),
             static_cast<std::uint32_t>(c.Server.size()), static_cast<std::uint32_t>(c.Port.size()),
             static_cast<std::uint32_t>(c.Speed.size())}};
        const std::string_view parts[] = {std::string_view(reinterpret_cast<const char*>(&n), sizeof n), c.Domain,
                                          c.User, c.Server, c.Port, c.Speed};
        AddBytes({BatchQueue::Parsed}, parts);
    }
    void Overlong(std::size_t file, std::int64_t line) override { Add(Of(BatchQueue::Overlong, file, line)); }
    void UnreadLine(std::size_t file, std::int64_t line) override { Add(Of(BatchQueue::UnreadLine, file, line)); }
    void UnreadRecord(std::size_t file, std::int64_t record) override { Add(Of(BatchQueue::UnreadRecord, file, record)); }
    void EventNotListed(int id) override { Add({BatchQueue::EventNotListed, false, id}); }
    bool Stopped() override { return queue_.Cancelled(); }
    // More than a batch of lines waiting: the scan's thread is the one
    // behind.
    bool ValuesWanted() override { return queue_.Waiting() >= kLinesBehind; }

    bool Beside(const ReadFunction& part) override
    {
        EndBeside();  // one left by a reading that failed part way
        if (side_ == nullptr)
            return false;
        side_->Reset();
        sideSink_ = std::make_unique<QueueSink>(*side_);
        try {
            sideThread_ = std::thread([this, part] {
                try {
                    part(*sideSink_);
                } catch (...) {
                    sideFailure_ = std::current_exception();
                }
                sideSink_->Finish();
            });
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
    // The scan's thread turns to the other queue where it meets the item; a
    // batch holds no more, so that it is taken whole.
    void Turn(std::int64_t lines) override
    {
        Add(Of(BatchQueue::Turn, 0, lines));
        Flush();
    }
    void EndBeside() override
    {
        if (!sideThread_.joinable())
            return;
        side_->Cancel();
        sideThread_.join();
        if (sideFailure_)
            std::rethrow_exception(std::exchange(sideFailure_, nullptr));
    }

    // The reading has ended: the last batch goes over, marked.
    void Finish()
    {
        if (!Ensure())
            return;
        batch_->Last = true;
        Flush();
    }

private:
    // An item of a file; at: a line or record number, or a form's place.
    static BatchQueue::Item Of(BatchQueue::Kind what, std::size_t file, std::int64_t at = 0)
    {
        return {what, false, static_cast<int>(file), 0, 0, at};
    }

    // An item with bytes: the parts one after the other.
    template <std::size_t N>
    void AddBytes(BatchQueue::Item item, const std::string_view (&parts)[N])
    {
        std::size_t size = 0;
        for (std::string_view part : parts)
            size += part.size();
        // A full batch goes first: the item's bytes and the item itself must
        // land in the same batch.
        if (batch_ != nullptr &&
            (batch_->Bytes.size() - batch_->Used < size || batch_->Items.size() == BatchQueue::kItems))
            Flush();
        if (!Ensure())
            return;
        if (batch_->Bytes.size() < size)
            batch_->Bytes.resize(size);  // longer than a batch: this one grows
        item.Offset = batch_->Used;
        item.Length = size;
        for (std::string_view part : parts) {
            if (part.empty())
                continue;  // an empty name (a port no record gave) may have no bytes behind it at all
            std::memcpy(batch_->Bytes.data() + batch_->Used, part.data(), part.size());
            batch_->Used += part.size();
        }
        Add(item);
    }

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
        switch (item.What) {
        case BatchQueue::Percent:
            lineFollows_ = item.LineFollows;
            if (!lineFollows_)
                Flush();
            break;
        case BatchQueue::Connection:
        case BatchQueue::Parsed:
        case BatchQueue::Overlong:
            if (std::exchange(lineFollows_, false))
                Flush();  // the percentage that came with this line is on its way
            break;
        case BatchQueue::FileBegin:
        case BatchQueue::FileUnreadable:
            lineFollows_ = false;
            break;
        default:
            break;  // a count is no line: a line announced by a percentage still follows
        }
    }
    void Flush()
    {
        if (batch_ == nullptr)
            return;
        batch_ = nullptr;
        queue_.Publish();
    }

    static constexpr std::size_t kLinesBehind = 1024;
    BatchQueue& queue_;
    BatchQueue* side_;
    std::unique_ptr<QueueSink> sideSink_;
    std::thread sideThread_;
    std::exception_ptr sideFailure_;
    BatchQueue::Batch* batch_ = nullptr;
    bool lineFollows_ = false;  // the last percentage waits for its line
};

// The values that QueueSink::Parsed packed at p, into out.
void UnpackParsed(const char* p, ConnectionLine& out)
{
    PackedNumbers n;
    std::memcpy(&n, p, sizeof n);
    p += sizeof n;
    auto next = [&p, &n](int i) {
        const std::string_view part(p, n.Lengths[i]);
        p += n.Lengths[i];
        return part;
    };
    out.DateTime = n.DateTime;
    out.BytesSent = n.Sent;
    out.BytesReceived = n.Received;
    out.ActiveTime = n.Active;
    out.Domain = next(0);
    out.User.assign(next(1));
    out.Server = next(2);
    out.Port = next(3);
    out.Speed = next(4);
}

// The findings of queue taken in order until its last batch, or for the
// queue of the pieces read beside until a turn: false when the reading is to
// end (steps said stop). lineBase: the lines of the file before.
bool TakeFindings(BatchQueue& queue, BatchQueue* side, ReadSteps& steps, std::int64_t& lineBase)
{
    // Connections are read kAhead findings before they are stored, and
    // hinted, so that the memory storing them reads is fetched meanwhile.
    constexpr std::size_t kAhead = 8;
    constexpr std::size_t kRing = 16;  // room for a connection and those ahead of it
    struct ReadConnection {
        ConnectionLine Values;
        AheadNote Note{};
        bool Ready = false;
    };
    std::vector<ReadConnection> ring(kRing);
    bool done = false;
    bool stopped = false;
    while (!done) {
        BatchQueue::Batch& batch = queue.Next();
        const std::size_t count = batch.Items.size();
        auto prepare = [&](std::size_t j) {
            const BatchQueue::Item& item = batch.Items[j];
            ReadConnection& r = ring[j % kRing];
            const char* bytes = batch.Bytes.data() + item.Offset;
            r.Ready = false;
            if (item.What == BatchQueue::Parsed) {
                UnpackParsed(bytes, r.Values);
                r.Ready = true;
            } else if (item.What == BatchQueue::Connection) {
                r.Ready = steps.Values(std::string_view(bytes, item.Length), r.Values);
            }
            if (r.Ready)
                steps.Ahead(r.Values, r.Note);
        };
        for (std::size_t j = 0; j < std::min(kAhead, count); ++j)
            prepare(j);
        for (std::size_t i = 0; i < count; ++i) {
            const BatchQueue::Item& item = batch.Items[i];
            if (i + kAhead < count)
                prepare(i + kAhead);
            const ReadConnection& read = ring[i % kRing];
            switch (item.What) {
            case BatchQueue::FileBegin:
                lineBase = 0;
                stopped = steps.Stopped();
                if (!stopped)
                    steps.FileBegin(static_cast<std::size_t>(item.Value));
                break;
            case BatchQueue::FileUnreadable:
                steps.FileUnreadable(static_cast<std::size_t>(item.Value));
                break;
            case BatchQueue::FileForm:
                steps.FileForm(static_cast<std::size_t>(item.Value), static_cast<std::size_t>(item.At));
                break;
            case BatchQueue::Problem:
                steps.Problem(static_cast<std::size_t>(item.Value),
                              std::string_view(batch.Bytes.data() + item.Offset, item.Length));
                break;
            case BatchQueue::Percent:
                steps.Percent(item.Value, item.LineFollows);
                stopped = !item.LineFollows && steps.Stopped();
                break;
            case BatchQueue::Connection:
            case BatchQueue::Parsed:  // always read ahead
                if (read.Ready)
                    steps.Noted(read.Values, read.Note);  // what Connection would store
                else
                    steps.Connection(std::string_view(batch.Bytes.data() + item.Offset, item.Length),
                                     lineBase + item.At);
                stopped = steps.Stopped();
                break;
            case BatchQueue::Overlong:
                steps.Overlong(static_cast<std::size_t>(item.Value), lineBase + item.At);
                stopped = steps.Stopped();
                break;
            case BatchQueue::UnreadLine:
                steps.UnreadLine(static_cast<std::size_t>(item.Value), lineBase + item.At);
                break;
            case BatchQueue::UnreadRecord:
                steps.UnreadRecord(static_cast<std::size_t>(item.Value), item.At);
                break;
            case BatchQueue::EventNotListed:
                steps.EventNotListed(item.Value);
                break;
            case BatchQueue::Turn:
                lineBase += item.At;
                if (side != nullptr)
                    stopped = !TakeFindings(*side, nullptr, steps, lineBase);
                break;
            }
            if (stopped)
                break;
        }
        done = stopped || batch.Last || (side == nullptr && count > 0 && batch.Items.back().What == BatchQueue::Turn);
        queue.Release();
    }
    return !stopped;
}

}  // namespace

// The reading on a second thread, the findings taking effect here in the
// same order, with Stop looked at where the one-thread scan looks at it.
void ReadAhead(const ReadFunction& read, ReadSteps& steps)
{
    auto queue = std::make_unique<BatchQueue>();
    auto side = std::make_unique<BatchQueue>(BatchQueue::kPieceBatches);
    QueueSink sink(*queue, side.get());
    std::exception_ptr failure;
    std::thread reading;
    try {
        reading = std::thread([&] {
            try {
                read(sink);
            } catch (...) {
                failure = std::current_exception();
            }
            sink.Finish();
        });
    } catch (const std::system_error&) {
        // No second thread to be had: the reading runs here.
        read(steps);
        return;
    }
    // However this thread leaves, the reading threads are ended first (one
    // still running ends without reading on).
    const auto endReading = [&queue, &side](std::thread* t) {
        queue->Cancel();
        side->Cancel();
        t->join();
    };
    std::unique_ptr<std::thread, decltype(endReading)> end(&reading, endReading);
    std::int64_t lineBase = 0;
    TakeFindings(*queue, side.get(), steps, lineBase);
    end.reset();
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace vy
