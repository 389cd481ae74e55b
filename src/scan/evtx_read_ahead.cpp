#include "scan/evtx_read_ahead.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>

namespace vy {

EvtxReadAhead::EvtxReadAhead(std::vector<std::filesystem::path> paths, const EventList& events, int threads,
                             const std::atomic<bool>* stop)
    : paths_(std::move(paths)), events_(events), done_(paths_.size()),
      window_(static_cast<std::size_t>(std::max(threads, 1))), stop_(stop), bytesRead_(paths_.size())
{
    for (std::size_t i = 0; i < paths_.size(); ++i)
        if (!paths_[i].empty())
            order_.push_back(i);
    const std::size_t n = threads > 0 ? std::min(order_.size(), window_) : 0;
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
        cancel_.store(true, std::memory_order_relaxed);
    }
    changed_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void EvtxReadAhead::Work()
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] {
                return cancel_.load(std::memory_order_relaxed) || next_ >= order_.size() || next_ < taken_ + window_;
            });
            if (cancel_.load(std::memory_order_relaxed) || next_ >= order_.size())
                return;
            index = order_[next_++];
        }
        EvtxFileRead read;
        try {
            read = ReadEvtxFile(paths_[index], events_, EvtxReading{stop_, &cancel_, &bytesRead_[index]});
        } catch (const std::exception&) {
            read = {};  // out of memory: the file is named as unreadable
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_[index] = std::move(read);
        }
        changed_.notify_all();
    }
}

EvtxFileRead EvtxReadAhead::Take(std::size_t index, const std::function<void(std::int64_t)>& bytesRead)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const auto at = std::lower_bound(order_.begin(), order_.end(), index);
    if (at == order_.end() || *at != index)
        return {};
    const auto position = static_cast<std::size_t>(at - order_.begin());
    // Files passed over (a scan that stopped) are not waited for.
    for (std::size_t k = taken_; k < position; ++k)
        done_[order_[k]].reset();
    taken_ = std::max(taken_, position);
    if (threads_.empty() || position >= next_) {
        // No thread reads it, or none has started it yet: read it here.
        if (position >= next_)
            next_ = position + 1;
        taken_ = position + 1;
        lock.unlock();
        changed_.notify_all();
        return ReadEvtxFile(paths_[index], events_, EvtxReading{stop_, &cancel_, nullptr});
    }
    // Woken by the file's end, or after a while to tell its progress.
    std::int64_t told = 0;
    while (!changed_.wait_for(lock, std::chrono::milliseconds(50), [&] { return done_[index].has_value(); })) {
        const std::int64_t now = bytesRead_[index].load(std::memory_order_relaxed);
        if (bytesRead && now != told) {
            told = now;
            lock.unlock();
            bytesRead(now);
            lock.lock();
        }
    }
    EvtxFileRead read = std::move(*done_[index]);
    done_[index].reset();
    taken_ = position + 1;
    lock.unlock();
    changed_.notify_all();
    return read;
}

}  // namespace vy
