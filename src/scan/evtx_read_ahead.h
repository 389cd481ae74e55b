#pragma once
// The event log files of a scan read ahead on threads of their own and
// taken by the scan in file order, each file's connections in parts as they
// are read: the store is filled exactly as by one thread, while two files
// are read at once. A file read ahead waits a few parts at most, which
// bounds memory whatever the files' size.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "scan/evtx_reader.h"

namespace vy {

class EvtxReadAhead {
public:
    using Part = std::function<bool(EvtxFileRead& part, std::int64_t bytesRead)>;

    // paths: one per file of the scan, empty for a file that is not an
    // event log file. Threads start only when there is one. stop, when
    // given, is the scan's: once set, every reading ends at its next part.
    EvtxReadAhead(std::vector<std::filesystem::path> paths, const EvtxEventList& events, int threads = 2,
                  const std::atomic<bool>* stop = nullptr);
    ~EvtxReadAhead();
    EvtxReadAhead(const EvtxReadAhead&) = delete;
    EvtxReadAhead& operator=(const EvtxReadAhead&) = delete;

    bool IsEvtx(std::size_t index) const { return index < paths_.size() && !paths_[index].empty(); }
    // The reading of file index (an event log file): its parts handed to
    // part on this thread, in order, as they come (as EvtxReading::Part
    // says), then its counts. Each file is taken once, in increasing order;
    // files passed over are dropped.
    EvtxFileRead Take(std::size_t index, const Part& part);

private:
    struct File {
        std::deque<std::pair<EvtxFileRead, std::int64_t>> Parts;  // with the bytes read
        std::optional<EvtxFileRead> Done;
    };
    void Work();
    bool Queue(std::size_t index, std::size_t position, EvtxFileRead& part, std::int64_t bytesRead);

    std::vector<std::filesystem::path> paths_;
    const EvtxEventList& events_;
    std::vector<File> files_;
    std::vector<std::size_t> order_;  // the indexes of the event log files
    std::size_t next_ = 0;   // in order_: the next file a thread starts
    std::size_t taken_ = 0;  // in order_: files before this are taken or dropped
    std::mutex mutex_;
    std::condition_variable changed_;
    bool cancel_ = false;
    const std::atomic<bool>* stop_;
    std::vector<std::thread> threads_;
};

}  // namespace vy
