#include "scan/scan_pipeline.h"

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace vy {

namespace {

// One thread: every finding takes effect at once.
class DirectSink : public ReadSink {
public:
    DirectSink(ReadSteps& steps, const std::atomic<bool>& stop) : steps_(steps), stop_(stop) {}
    void FileBegin(std::size_t index) override { steps_.FileBegin(index); }
    void FileUnreadable(std::size_t index) override { steps_.FileUnreadable(index); }
    void Percent(int percent, bool) override { steps_.Percent(percent); }
    void Connection(std::string_view line, std::int64_t at) override { steps_.Connection(line, at); }
    void Overlong() override { steps_.Overlong(); }
    void UnreadLine(std::size_t file, std::int64_t line) override { steps_.UnreadLine(file, line); }
    void UnreadRecord(std::size_t file, std::int64_t record) override { steps_.UnreadRecord(file, record); }
    void EventNotListed(int id) override { steps_.EventNotListed(id); }
    bool Stopped() override { return stop_.load(std::memory_order_relaxed); }

private:
    ReadSteps& steps_;
    const std::atomic<bool>& stop_;
};

// Two threads: the findings of the reading thread, handed over in batches.
// A batch holds the connection lines themselves, copied out of the reader's
// buffer, so the reading can go on while the scan's thread stores them.
class BatchQueue {
public:
    enum Kind : std::uint8_t { FileBegin, FileUnreadable, Percent, Connection, Overlong, UnreadLine, UnreadRecord, EventNotListed };
    struct Item {
        Kind What = FileBegin;
        bool LineFollows = false;
        int Value = 0;            // file index or percentage
        std::size_t Offset = 0;   // a connection line: its bytes in the batch
        std::size_t Length = 0;
        std::int64_t At = 0;      // a connection line: the file bytes before it; else a line or record number
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
    void Connection(std::string_view line, std::int64_t at) override
    {
        if (batch_ != nullptr && batch_->Bytes.size() - batch_->Used < line.size())
            Flush();
        if (!Ensure())
            return;
        if (batch_->Bytes.size() < line.size())
            batch_->Bytes.resize(line.size());  // a line longer than a batch: this one grows
        std::memcpy(batch_->Bytes.data() + batch_->Used, line.data(), line.size());
        Add({BatchQueue::Connection, false, 0, batch_->Used, line.size(), at});
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
    void UnreadLine(std::size_t file, std::int64_t line) override
    {
        AddCount({BatchQueue::UnreadLine, false, static_cast<int>(file), 0, 0, line});
    }
    void UnreadRecord(std::size_t file, std::int64_t record) override
    {
        AddCount({BatchQueue::UnreadRecord, false, static_cast<int>(file), 0, 0, record});
    }
    void EventNotListed(int id) override { AddCount({BatchQueue::EventNotListed, false, id}); }
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
    // A count is no line: a line announced by a percentage still follows.
    void AddCount(const BatchQueue::Item& item)
    {
        const bool follows = lastLineFollows_;
        Add(item);
        lastLineFollows_ = follows;
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

}  // namespace

void ReadHere(const ReadFunction& read, ReadSteps& steps, const std::atomic<bool>& stop)
{
    DirectSink sink(steps, stop);
    read(sink);
}

// The reading on a second thread, the findings taking effect here in the
// same order, with Stop looked at where the one-thread scan looks at it.
void ReadAhead(const ReadFunction& read, ReadSteps& steps, const std::atomic<bool>& stop)
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
        ReadHere(read, steps, stop);
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
                steps.Connection(std::string_view(batch.Bytes.data() + item.Offset, item.Length), item.At);
                done = stopped();
                break;
            case BatchQueue::Overlong:
                steps.Overlong();
                done = stopped();
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
