#pragma once
// The event log files of a scan read ahead on up to two threads of their
// own, each file whole, and taken by the scan in file order: the store is
// filled exactly as by one thread, while two files are read at once. At
// most as many files as threads wait read and untaken, which bounds memory.
// The threads look at the scan's Stop between records, and tell the bytes
// of each file read so far, so that the scan waiting for a file can show
// its progress.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "scan/evtx_reader.h"

namespace vy {

class EvtxReadAhead {
public:
    // paths: one per file of the scan, empty for a file that is not an
    // event log file. Threads start only when there is one. stop, when
    // given, is the scan's: once set, every reading ends within a record.
    EvtxReadAhead(std::vector<std::filesystem::path> paths, const EventList& events, int threads = 2,
                  const std::atomic<bool>* stop = nullptr);
    ~EvtxReadAhead();
    EvtxReadAhead(const EvtxReadAhead&) = delete;
    EvtxReadAhead& operator=(const EvtxReadAhead&) = delete;

    bool IsEvtx(std::size_t index) const { return index < paths_.size() && !paths_[index].empty(); }
    // The reading of file index (an event log file), waiting for it. Each
    // is taken once, in increasing order; files passed over are dropped.
    // While it waits, bytesRead is told the bytes of the file read so far,
    // as they grow.
    EvtxFileRead Take(std::size_t index, const std::function<void(std::int64_t)>& bytesRead = {});

private:
    void Work();

    std::vector<std::filesystem::path> paths_;
    const EventList& events_;
    std::vector<std::optional<EvtxFileRead>> done_;
    std::vector<std::size_t> order_;  // the indexes of the event log files
    std::size_t next_ = 0;   // in order_: the next file a thread starts
    std::size_t taken_ = 0;  // in order_: files before this are taken or dropped
    std::size_t window_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> cancel_{false};
    const std::atomic<bool>* stop_;
    std::vector<std::atomic<std::int64_t>> bytesRead_;  // per file
    std::vector<std::thread> threads_;
};

}  // namespace vy
