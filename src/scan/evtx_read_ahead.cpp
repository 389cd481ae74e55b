#include "scan/evtx_read_ahead.h"

#include <algorithm>
#include <exception>
#include <system_error>

namespace vy {

namespace {

// Parts of a file read ahead that may wait untaken.
constexpr std::size_t kWaitingParts = 4;

}  // namespace

EvtxReadAhead::EvtxReadAhead(std::vector<std::filesystem::path> paths, const EvtxEventList& events, int threads,
                             const std::atomic<bool>* stop)
    : paths_(std::move(paths)), events_(events), files_(paths_.size()), stop_(stop)
{
    for (std::size_t i = 0; i < paths_.size(); ++i)
        if (!paths_[i].empty())
            order_.push_back(i);
    const std::size_t n = std::min(order_.size(), static_cast<std::size_t>(std::max(threads, 0)));
    try {
        for (std::size_t t = 0; t < n; ++t)
            threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // Fewer threads, or none: Take then reads the file itself.
    }
}

EvtxReadAhead::~EvtxReadAhead()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancel_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

bool EvtxReadAhead::Queue(std::size_t index, std::size_t position, EvtxFileRead& part, std::int64_t bytesRead)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const auto dropped = [&] {
        return cancel_ || taken_ > position || (stop_ != nullptr && stop_->load(std::memory_order_relaxed));
    };
    changed_.wait(lock, [&] { return dropped() || files_[index].Parts.size() < kWaitingParts; });
    if (dropped())
        return false;
    // The counts stay with the reading.
    files_[index].Parts.push_back({{std::move(part.Connections), std::move(part.Names), {}}, bytesRead});
    lock.unlock();
    changed_.notify_all();
    return true;
}

void EvtxReadAhead::Work()
{
    for (;;) {
        std::size_t position = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (cancel_ || next_ >= order_.size())
                return;
            position = next_++;
        }
        const std::size_t index = order_[position];
        EvtxReading reading{[this, index, position](EvtxFileRead& part, std::int64_t bytesRead) {
            return Queue(index, position, part, bytesRead);
        }};
        EvtxFileRead read;
        try {
            read = ReadEvtxFile(paths_[index], events_, reading);
        } catch (const std::exception&) {
            read = {};  // out of memory: the file is named as unreadable
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            files_[index].Done = std::move(read);
        }
        changed_.notify_all();
    }
}

EvtxFileRead EvtxReadAhead::Take(std::size_t index, const Part& part)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const auto at = std::lower_bound(order_.begin(), order_.end(), index);
    if (at == order_.end() || *at != index)
        return {};
    const auto position = static_cast<std::size_t>(at - order_.begin());
    // Files passed over (a scan that stopped) are not waited for.
    for (std::size_t k = taken_; k < position; ++k)
        files_[order_[k]] = {};
    taken_ = std::max(taken_, position);
    if (threads_.empty() || position >= next_) {
        // No thread reads it, or none has started it yet: read it here.
        if (position >= next_)
            next_ = position + 1;
        taken_ = position + 1;
        lock.unlock();
        changed_.notify_all();
        return ReadEvtxFile(paths_[index], events_, EvtxReading{part});
    }
    changed_.notify_all();
    File& file = files_[index];
    for (;;) {
        changed_.wait(lock, [&] { return !file.Parts.empty() || file.Done.has_value(); });
        if (file.Parts.empty())
            break;
        auto [read, bytesRead] = std::move(file.Parts.front());
        file.Parts.pop_front();
        lock.unlock();
        changed_.notify_all();
        const bool more = part(read, bytesRead);
        lock.lock();
        if (!more) {
            // The thread's reading ends at its next part.
            taken_ = position + 1;
            file = {};
            lock.unlock();
            changed_.notify_all();
            return {};
        }
    }
    EvtxFileRead read = std::move(*file.Done);
    file = {};
    taken_ = position + 1;
    lock.unlock();
    changed_.notify_all();
    return read;
}

}  // namespace vy
