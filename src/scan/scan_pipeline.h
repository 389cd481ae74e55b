#pragma once
// The reading of a scan handed from the thread that reads the files to the
// thread that stores what they hold, in the order it was found.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "scan/line_parser.h"

namespace vy {

class ReadSink;
using ReadFunction = std::function<void(ReadSink&)>;

// What the reading finds, in the order of the lines.
class ReadSink {
public:
    virtual ~ReadSink() = default;
    virtual void FileBegin(std::size_t index) = 0;
    virtual void FileUnreadable(std::size_t index) = 0;
    // The form file index was found to have: its place in LogFormTable(),
    // or the table's size when no form recognised it.
    virtual void FileForm(std::size_t index, std::size_t form) = 0;
    // A sentence on what in file index could not be read, and why (without
    // the file's name).
    virtual void Problem(std::size_t index, std::string_view sentence) = 0;
    // A percentage to show; lineFollows when the line that reached it
    // comes next (Stop then takes effect after that line).
    virtual void Percent(int percent, bool lineFollows) = 0;
    // A connection line, as single bytes; number: its line number from 1.
    virtual void Connection(std::string_view line, std::int64_t number) = 0;
    // A connection whose values the reader took out itself (from insertion
    // strings); the views of the line last for the call only.
    virtual void Parsed(const ConnectionLine& connection) = 0;
    // A line of file `file` too long to be examined; line counts from 1.
    virtual void Overlong(std::size_t file, std::int64_t line) = 0;
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
    // Whether a connection line is best read to its values by the reader
    // (Parsed) rather than passed as it is: when the scan's thread is the
    // one behind. Either way the scan is the same.
    virtual bool ValuesWanted() { return false; }
    // Pieces of a file read by part on a thread of its own beside this
    // reading, in turns with it. False when no thread is to be had; the
    // reading is then the caller's.
    virtual bool Beside(const ReadFunction& /*part*/) { return false; }
    // A piece of the file ends here, of lines lines: what the other thread
    // reads next follows it, its line numbers after these.
    virtual void Turn(std::int64_t /*lines*/) {}
    // Ends the part begun by Beside, once it ended or what it reads is no
    // more wanted: what it did not hand over in a turn is dropped unseen.
    virtual void EndBeside() {}
};

// What ReadSteps::Ahead works out of a connection for storing it.
using AheadNote = std::array<std::uint64_t, 2>;

// What each finding does to the scan, on the scan's own thread: the sink's
// calls, its Stopped being the scan's Stop.
class ReadSteps : public ReadSink {
public:
    // The values of a connection line into out as Connection would read
    // them before storing; false when it cannot be read (Connection then
    // tells so). Lets lines be read a few findings before they are stored.
    virtual bool Values(std::string_view, ConnectionLine&) { return false; }
    // A connection that is stored a few findings later: a hint, so that
    // what storing it reads can be fetched meanwhile; what it notes comes
    // back with the connection in Noted.
    virtual void Ahead(const ConnectionLine&, AheadNote&) {}
    // A connection read before and given to Ahead: stored as Parsed stores.
    virtual void Noted(const ConnectionLine& connection, const AheadNote&) { Parsed(connection); }
};

// Runs read on a second thread that reads ahead while this one takes the
// findings in the same order, with Stopped looked at where read running
// here on steps would look at it: the same calls of steps. Without a second
// thread to be had, read runs here. An exception of read comes out here,
// once the reading thread has ended.
void ReadAhead(const ReadFunction& read, ReadSteps& steps);

}  // namespace vy
