#include "scan/scan_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
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
        UnreadRecord, EventNotListed
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
            waiting_.fetch_add(batches_[produced_ % kBatches].Items.size(), std::memory_order_relaxed);
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
        changed_.wait(lock, [this] { return produced_ > consumed_; });
        return batches_[consumed_ % kBatches];
    }
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            waiting_.fetch_sub(batches_[consumed_ % kBatches].Items.size(), std::memory_order_relaxed);
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

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t produced_ = 0;
    std::size_t consumed_ = 0;
    std::atomic<bool> cancelled_{false};  // set under the lock, read also without it
    std::atomic<std::size_t> waiting_{0};
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

}  // namespace

// The reading on a second thread, the findings taking effect here in the
// same order, with Stop looked at where the one-thread scan looks at it.
void ReadAhead(const ReadFunction& read, ReadSteps& steps)
{
    auto queue = std::make_unique<BatchQueue>();
    QueueSink sink(*queue);
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
    // However this thread leaves, the reading thread is ended first (one
    // still running ends without reading on).
    const auto endReading = [&queue](std::thread* t) {
        queue->Cancel();
        t->join();
    };
    std::unique_ptr<std::thread, decltype(endReading)> end(&reading, endReading);
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
    while (!done) {
        BatchQueue::Batch& batch = queue->Next();
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
                done = steps.Stopped();
                if (!done)
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
                done = !item.LineFollows && steps.Stopped();
                break;
            case BatchQueue::Connection:
            case BatchQueue::Parsed:  // always read ahead
                if (read.Ready)
                    steps.Noted(read.Values, read.Note);  // what Connection would store
                else
                    steps.Connection(std::string_view(batch.Bytes.data() + item.Offset, item.Length), item.At);
                done = steps.Stopped();
                break;
            case BatchQueue::Overlong:
                steps.Overlong(static_cast<std::size_t>(item.Value), item.At);
                done = steps.Stopped();
                break;
            case BatchQueue::UnreadLine:
                steps.UnreadLine(static_cast<std::size_t>(item.Value), item.At);
                break;
            case BatchQueue::UnreadRecord:
                steps.UnreadRecord(static_cast<std::size_t>(item.Value), item.At);
                break;
            case BatchQueue::EventNotListed:
                steps.EventNotListed(item.Value);
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

}  // namespace vy
