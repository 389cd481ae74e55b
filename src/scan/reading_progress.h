#pragma once
// The bytes-read counter of a scan's reading and the percentage it shows,
// shared by the readers of every file form.

#include <climits>
#include <cstddef>
#include <limits>
#include <string_view>

#include "scan/log_reader.h"
#include "scan/progress.h"
#include "scan/scan_pipeline.h"

namespace vy {

// The bytes-read counter and the percentage it shows. The counter is the
// bytes of the files that the lines read so far took, line ends included.
class ReadingProgress {
public:
    ReadingProgress(ReadSink& sink, double totalBytes) : sink_(sink), totalBytes_(totalBytes) {}

    // A line read, the counter now at bytesRead: the percentage goes to the
    // sink when it may have changed. True when it went.
    bool Line(double bytesRead, bool lineFollows)
    {
        if (bytesRead < nextCheck_)
            return false;
        sink_.Percent(Shown(bytesRead), lineFollows);
        return true;
    }

    // The same counter for a reading that goes on from bytesRead on another
    // sink, where a line has shown the value: it shows what this would show.
    ReadingProgress Beside(ReadSink& sink, double bytesRead) const
    {
        ReadingProgress beside(sink, totalBytes_);
        beside.Resume(bytesRead);
        return beside;
    }
    // Goes on from bytesRead, where other counters have shown the value.
    void Resume(double bytesRead) { Shown(bytesRead); }

    // The whole lines at the start of the reader's buffered text up to n,
    // no connection lines, passed as if read one by one; fileStart is the
    // counter at the file's start. Where the percentage can change among
    // them they are counted line by line, and the sink is asked after each
    // line that showed a value whether to stop: false when it says so.
    bool PassLines(const LogReader& reader, std::size_t n, double fileStart)
    {
        if (fileStart + static_cast<double>(reader.ConsumedAfter(n)) < nextCheck_)
            return true;
        const std::string_view lines = reader.Buffered().substr(0, n);
        for (std::size_t at = 0; at < n;) {
            at = NextLineStart(lines, at);
            if (Line(fileStart + static_cast<double>(reader.ConsumedAfter(at)), false) && sink_.Stopped())
                return false;
        }
        return true;
    }

private:
    // The value shown at bytesRead.
    int Shown(double bytesRead)
    {
        const int percent = ReadingPercent(bytesRead, totalBytes_);
        // The value only grows with the bytes read and stays until it
        // reaches the next half; below that bound (kept a little short of
        // it) no line can show another value.
        nextCheck_ = totalBytes_ > 0 && percent < INT_MAX ? (percent + 0.5) * totalBytes_ / 100 * (1 - 1e-9)
                                                           : std::numeric_limits<double>::infinity();
        return percent;
    }

    ReadSink& sink_;
    double totalBytes_;
    double nextCheck_ = -1;  // the first line always shows its value
};

}  // namespace vy
