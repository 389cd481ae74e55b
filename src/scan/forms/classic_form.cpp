// Classic lines: one event a line, fields parted by commas, the message
// last; every file no other form claims. The lines before the next one that
// holds the recognition marker are no connection lines: they are counted
// and passed in one go.

#include <algorithm>
#include <utility>

#include "scan/forms/log_form_table.h"
#include "scan/scan_run.h"

namespace vy {

namespace {

bool ReadClassicLines(FormReading& r)
{
    LogReader& reader = r.Reader;
    ReadSink& sink = r.Sink;
    const LineMatcher& matcher = r.Matcher;
    LogLineRead line;
    std::string decoded;  // reused for every line that needs decoding
    ConnectionLine values;  // the same for the values of each line
    std::int64_t& lines = r.Lines;  // lines read so far
    bool markerNext = false;  // the next line holds the marker: it was found there
    std::size_t ascii = 0;  // and this many bytes at its start are below 0x80
    for (;;) {
        if (!markerNext) {
            // The whole lines before the one that holds the first marker (all
            // whole lines when none does) are passed; the bytes after them up
            // to the marker, or to the end, hold no line end.
            const std::string_view buffered = reader.Buffered();
            const std::size_t hit = matcher.FindMarker(buffered);
            const std::size_t at = std::min(hit, buffered.size());
            const LineHead head = LineHeadOf(buffered, at);
            markerNext = hit != std::string_view::npos;
            ascii = markerNext && head.Ascii ? at - head.Start + matcher.Marker().size() : 0;  // the marker is ASCII too
            bool stopped = false;
            if (head.Start > 0) {
                lines += CountLineEnds(buffered.substr(0, head.Start));
                stopped = !r.Progress.PassLines(reader, head.Start, r.FileStart) || sink.Stopped();
            }
            reader.Pass(head.Start, at - head.Start);
            if (head.Start > 0) {
                if (stopped)
                    return false;
                continue;
            }
        }
        if (!reader.Next(line))
            return true;
        ++lines;
        const bool marker = !line.Overlong && (markerNext || matcher.FindMarker(line.Text) != std::string_view::npos);
        const LineMatcher::IdField field = marker ? matcher.IdFieldOf(line.Text) : LineMatcher::IdField::None;
        const bool connection = field == LineMatcher::IdField::Listed;
        markerNext = false;
        const std::size_t asciiHead = std::exchange(ascii, 0);
        r.Progress.Line(r.FileStart + static_cast<double>(reader.Consumed()), connection || line.Overlong);
        if (line.Overlong) {
            sink.Overlong(r.File, lines);
        } else if (connection) {
            // Read here, beside the search, while the scan's thread is
            // behind; a line that cannot be read goes over whole, to be
            // counted with its number.
            const std::string_view text = DecodeLine(line.Text, reader.Encoding(), decoded, asciiHead);
            if (sink.ValuesWanted() && ParseConnectionLine(r.Settings.LogLanguage, text, values))
                sink.Parsed(values);
            else
                sink.Connection(text, lines);
        } else if (field == LineMatcher::IdField::Also) {
            if (const int id = UnlistedConnectionEvent(line.Text))
                sink.EventNotListed(id);
        }
        if (sink.Stopped())
            return false;
    }
}

// A line of at least seven comma-separated fields (date, time, source,
// type, category, event ID, ..., message) in the head, or no text at all.
bool LooksClassic(std::string_view head)
{
    for (std::size_t at = 0; at < head.size(); at = NextLineStart(head, at)) {
        const std::string_view line = head.substr(at, head.find_first_of("\r\n", at) - at);
        if (std::count(line.begin(), line.end(), ',') >= 6)
            return true;
    }
    return head.empty();
}

}  // namespace

// Last in the table: also the reader of a file that no form recognises.
extern const LogFormEntry kClassicForm{"Classic lines", LooksClassic, ReadClassicLines, true};

}  // namespace vy
