#pragma once
// The reading of a scan handed from the thread that reads the files to the
// thread that stores what they hold, in the order it was found.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace vy {

// What the reading finds, in the order of the lines.
class ReadSink {
public:
    virtual ~ReadSink() = default;
    virtual void FileBegin(std::size_t index) = 0;
    virtual void FileUnreadable(std::size_t index) = 0;
    // A percentage to show; lineFollows when the line that reached it
    // comes next (Stop then takes effect after that line).
    virtual void Percent(int percent, bool lineFollows) = 0;
    // A connection line, as single bytes; end: the file bytes up to its end
    // (its line end included).
    virtual void Connection(std::string_view line, std::int64_t end) = 0;
    virtual void Overlong() = 0;
    // A line of file `file` that passed recognition (a listed event ID and
    // the marker) but could not be read; line counts from 1.
    virtual void UnreadLine(std::size_t file, std::int64_t line) = 0;
    // The same for a record of an event log file, by its record number.
    virtual void UnreadRecord(std::size_t file, std::int64_t record) = 0;
    // A connection event (20272 or 20251 from RemoteAccess) whose ID is not
    // in the event list, so it was not read.
    virtual void EventNotListed(int id) = 0;
    // Whether the reading ends here: looked at after every line that reached
    // the sink, after lines passed in one go, and before every file.
    virtual bool Stopped() = 0;
};

// What each finding does to the scan, on the scan's own thread.
class ReadSteps {
public:
    virtual ~ReadSteps() = default;
    virtual void FileBegin(std::size_t index) = 0;
    virtual void FileUnreadable(std::size_t index) = 0;
    virtual void Percent(int percent) = 0;
    virtual void Connection(std::string_view line, std::int64_t at) = 0;
    virtual void Overlong() = 0;
    virtual void UnreadLine(std::size_t file, std::int64_t line) = 0;
    virtual void UnreadRecord(std::size_t file, std::int64_t record) = 0;
    virtual void EventNotListed(int id) = 0;
};

using ReadFunction = std::function<void(ReadSink&)>;

// Runs read on this thread, each finding taking effect at once; stop is
// what the sink's Stopped answers.
void ReadHere(const ReadFunction& read, ReadSteps& steps, const std::atomic<bool>& stop);

// Runs read on a second thread that reads ahead while this one takes the
// findings in the same order, with stop looked at where ReadHere looks at
// it: the same calls of steps. Without a second thread to be had, ReadHere.
// An exception of read comes out here, once the reading thread has ended.
void ReadAhead(const ReadFunction& read, ReadSteps& steps, const std::atomic<bool>& stop);

}  // namespace vy
