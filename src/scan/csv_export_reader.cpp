#include "scan/csv_export_reader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "scan/event_strings.h"
#include "scan/line_counter.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The field at at, up to the separator or the end, at moving past the
// separator (to npos after the last field). A quoted field loses its quotes,
// "" becoming " (copied to buffer only then); text after the closing quote
// up to the separator is dropped. nullopt when the closing quote never
// comes.
std::optional<std::string_view> NextField(std::string_view text, std::size_t& at, char separator, std::string& buffer)
{
    if (at >= text.size()) {
        at = npos;
        return std::string_view();
    }
    if (text[at] != '"') {
        // The separator 0 stands for none: the field is the rest.
        const std::size_t end = separator == '\0' ? npos : text.find(separator, at);
        const std::string_view field = text.substr(at, end == npos ? npos : end - at);
        at = end == npos ? npos : end + 1;
        return field;
    }
    const std::size_t begin = at + 1;
    std::size_t close = text.find('"', begin);
    bool doubled = false;
    while (close != npos && close + 1 < text.size() && text[close + 1] == '"') {
        doubled = true;
        close = text.find('"', close + 2);
    }
    if (close == npos)
        return std::nullopt;
    const std::size_t end = separator == '\0' ? npos : text.find(separator, close + 1);
    at = end == npos ? npos : end + 1;
    const std::string_view inside = text.substr(begin, close - begin);
    if (!doubled)
        return inside;
    // Inside, every quote is the first of a pair: keep it, skip the second.
    buffer.clear();
    for (std::size_t i = 0; i < inside.size();) {
        const std::size_t quote = std::min(inside.find('"', i), inside.size() - 1);
        buffer.append(inside.substr(i, quote + 1 - i));
        i = quote + 2;
    }
    return std::string_view(buffer);
}

// Whether text holds an odd number of double quotes. Quotes are few in a
// line: the byte search jumps from one to the next.
bool OddQuotes(std::string_view text)
{
    bool odd = false;
    for (std::size_t at = text.find('"'); at != npos; at = text.find('"', at + 1))
        odd = !odd;
    return odd;
}

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Where the columns of a PowerShell export stand; -1 for a missing one.
struct PowerShellColumns {
    int Id = -1, Machine = -1, Message = -1, Provider = -1;
    int Last() const { return std::max({Id, Machine, Message, Provider}); }
};

// The events of one export, record by record.
class CsvEvents {
public:
    CsvEvents(LogForm form, const ExportReading& reading)
        : reading_(reading), separator_(form == LogForm::EventViewerText ? '\t' : ','),
          powerShell_(form == LogForm::PowerShellCsv)
    {
        lines_.Reset(reading.Path);
    }

    bool Read(LogReader& reader)
    {
        // The header first, then record after record; Event Viewer exports
        // pass the events before the next marker in bulk.
        while (!headerSeen_) {
            if (!NextRecord(reader))
                return true;
            Header(record_);
        }
        bool markerNext = false;  // the next record is known to hold the marker
        for (;;) {
            if (!powerShell_ && !markerNext) {
                std::size_t clear = 0;
                const std::size_t pass = Passable(reader.Buffered(), markerNext, clear);
                markerAt_ = markerNext && clear > 0 ? clear : npos;
                if (pass > 0) {
                    if (!reading_.Progress.PassLines(reader, pass, reading_.FileStart) || reading_.Sink.Stopped())
                        return false;
                    reader.Pass(pass, clear);
                    continue;
                }
            }
            markerNext = false;
            if (!NextRecord(reader))
                return true;
            // Where the marker was found, when it was (the message need not
            // be searched again).
            marker_ = markerAt_ != npos && markerAt_ < record_.size() ? record_.data() + markerAt_ : nullptr;
            markerAt_ = npos;
            if (!recordOverlong_)
                Record(record_, recordOffset_);
            reading_.Progress.Line(reading_.FileStart + static_cast<double>(reader.Consumed()), false);
            if (reading_.Sink.Stopped())
                return false;
        }
    }

private:
    // The next record into record_: one line, or more while a quote stays
    // open. False at the end of the text.
    bool NextRecord(LogReader& reader)
    {
        recordOffset_ = reader.Consumed();
        encoding_ = reader.Encoding();
        recordOverlong_ = false;
        bool open = false;  // inside quotes at the end of the record so far
        bool any = false;
        record_ = {};
        while (reader.Next(line_)) {
            any = true;
            if (line_.Overlong) {
                // A record with a line beyond the limit cannot be examined.
                reading_.Sink.Overlong();
                recordOverlong_ = true;
                return true;
            }
            // The fields are told apart in the bytes as they stand (the
            // separators and quotes are ASCII); the message is decoded by
            // the scan.
            const std::string_view text = line_.Text;
            if (!open) {
                // Most records are one line: an Event Viewer line is split
                // into its fields at once, which tells whether a quote
                // stays open.
                if (powerShell_ ? !OddQuotes(text) : !SplitEventViewer(text).Open) {
                    record_ = text;  // the common case: no copy
                    return true;
                }
                joined_.assign(text);
                open = true;
                continue;
            }
            if (joined_.size() + text.size() >= LogReader::DefaultMaxLine) {
                // A quote that never closes would hold the rest of the file:
                // past the limit the record is let go.
                reading_.Sink.Overlong();
                recordOverlong_ = true;
                return true;
            }
            joined_.push_back('\n');
            joined_.append(text);
            if (OddQuotes(text))
                break;
        }
        record_ = joined_;  // also a record whose quote never closes
        if (any && !powerShell_)
            SplitEventViewer(record_);
        return any;
    }

    // How many bytes at the start of text are whole events before the one
    // that holds the next marker; without a marker, before the last event
    // that begins on a whole line (its later lines may still hold one).
    // text begins with an event. marker: set when the event after those
    // bytes holds the marker.
    // clear: how many bytes after them are known to hold no line end.
    std::size_t Passable(std::string_view text, bool& marker, std::size_t& clear) const
    {
        const std::size_t hit = reading_.Matcher.FindMarker(text);
        marker = hit != npos;
        std::size_t line = LineHeadOf(text, hit == npos ? text.size() : hit).Start;
        if (hit != npos)
            clear = hit - line;  // when the marker's line starts the event
        if (hit == npos && line > 0)
            line = PreviousLineStart(text, line);  // the last whole line
        const std::size_t markerLine = line;
        for (; line > 0; line = PreviousLineStart(text, line))
            if (IsEventStart(text.substr(line))) {
                if (line != markerLine)
                    clear = 0;
                return line;
            }
        return 0;
    }

    // The start of the line before the one that starts at line (> 0).
    static std::size_t PreviousLineStart(std::string_view text, std::size_t line)
    {
        std::size_t end = line - 1;  // its line end
        if (text[end] == '\n' && end > 0 && text[end - 1] == '\r')
            --end;
        return LineHeadOf(text, end).Start;
    }

    // Whether the line at the start of text begins an Event Viewer event: a
    // level, a field that begins like a date, a source, and an event ID of
    // digits alone. A line within a quoted description of several lines
    // hardly looks so.
    bool IsEventStart(std::string_view text) const
    {
        std::array<std::string_view, 4> fields;
        std::size_t at = 0;
        for (std::string_view& field : fields) {
            const std::size_t end = text.find(separator_, at);
            if (end == npos)
                return false;
            field = text.substr(at, end - at);
            at = end + 1;
        }
        for (std::size_t i = 0; i < at; ++i)
            if (text[i] == '\r' || text[i] == '\n')
                return false;  // the fields ran into the next line
        const std::string_view id = Trimmed(fields[3]);
        const auto digit = [](char c) { return IsAsciiDigit(c) || c == '?' || c == '\xE2' || c == '"'; };
        return !fields[0].empty() && fields[0].front() != '"' && !fields[1].empty() && digit(fields[1].front()) &&
               !id.empty() && id.size() <= 5 && std::all_of(id.begin(), id.end(), IsAsciiDigit);
    }

    void Record(std::string_view text, std::int64_t offset)
    {
        if (powerShell_) {
            // Most events are no connections: those without the marker
            // need no splitting.
            if (reading_.Matcher.FindMarker(text) != npos)
                PowerShellRecord(text, offset);
        } else {
            EventViewerRecord(text, offset);  // mostly passed in bulk unless they hold the marker
        }
    }

    void Header(std::string_view text)
    {
        if (powerShell_ && text.starts_with("#TYPE "))
            return;  // the type line comes before the header
        headerSeen_ = true;
        if (!powerShell_)
            return;
        std::size_t at = 0;
        for (int column = 0; at != npos; ++column) {
            const auto name = NextField(text, at, separator_, buffers_[0]);
            if (!name)
                break;
            if (*name == "Id" || *name == "EventID")
                columns_.Id = column;
            else if (*name == "MachineName")
                columns_.Machine = column;
            else if (*name == "Message")
                columns_.Message = column;
            else if (*name == "ProviderName" || *name == "Source")
                columns_.Provider = column;
        }
    }

    // The fields of an Event Viewer record: level, date and time, source,
    // event ID, task category; then the description, the rest of the
    // record. Open when a quote never closes.
    struct EventViewerFields {
        std::array<std::string_view, 5> Head;
        bool HeadWhole = false;
        std::optional<std::string_view> Description;
        bool Open = false;
    };

    const EventViewerFields& SplitEventViewer(std::string_view text)
    {
        split_.HeadWhole = split_.Open = false;
        split_.Description.reset();
        std::size_t at = 0;
        for (std::string_view& field : split_.Head) {
            if (at == npos)
                return split_;
            const auto read = NextField(text, at, separator_, buffers_[0]);
            split_.Open = !read;
            if (!read)
                return split_;
            field = *read;
        }
        split_.HeadWhole = true;
        if (at != npos) {
            split_.Description = NextField(text, at, '\0', buffers_[1]);
            split_.Open = !split_.Description;
        }
        return split_;
    }

    // The record last split.
    void EventViewerRecord(std::string_view text, std::int64_t offset)
    {
        if (!split_.HeadWhole) {
            Broken(text, offset);
            return;
        }
        Event(Trimmed(split_.Head[3]), split_.Head[2], reading_.FileServer, split_.Description, offset);
    }

    void PowerShellRecord(std::string_view text, std::int64_t offset)
    {
        if (columns_.Id < 0 || columns_.Message < 0 || columns_.Machine < 0)
            return;  // not an export of events after all
        std::string_view id, machine, provider, message;
        std::size_t at = 0;
        int column = 0;
        for (; column <= columns_.Last() && at != npos; ++column) {
            std::string& buffer = buffers_[column == columns_.Message ? 1 : column == columns_.Machine ? 2 : 0];
            const auto field = NextField(text, at, separator_, buffer);
            if (!field)
                break;
            if (column == columns_.Id)
                id = Trimmed(*field);
            else if (column == columns_.Machine)
                machine = DecodeLine(*field, encoding_, server_);  // the message alone is decoded by the scan
            else if (column == columns_.Provider)
                provider = *field;
            else if (column == columns_.Message)
                message = *field;
        }
        // A record that ends before its last column we need is unread
        // when its ID is known and listed.
        const bool whole = column > columns_.Last();
        Event(id, provider, machine, whole ? std::optional(message) : std::nullopt, offset);
    }

    // A record whose fields could not be told apart: unread when it looks
    // like a listed event (the ID as a field of its own).
    void Broken(std::string_view text, std::int64_t offset)
    {
        for (std::size_t at = text.find(separator_); at != npos; at = text.find(separator_, at + 1)) {
            const std::size_t end = std::min(text.find(separator_, at + 1), text.size());
            std::string_view field = Trimmed(text.substr(at + 1, end - at - 1));
            if (field.size() == 7 && field.front() == '"' && field.back() == '"')
                field = field.substr(1, 5);
            if (reading_.Matcher.Lists(field)) {
                reading_.Sink.UnreadLine(reading_.File, lines_.LineAt(offset));
                return;
            }
        }
    }

    void Event(std::string_view id, std::string_view provider, std::string_view server,
               std::optional<std::string_view> message, std::int64_t offset)
    {
        if (!reading_.Matcher.Lists(id)) {
            if ((id == kCurrentFormEventId || id == kSpeedFormEventId) && IsRemoteAccess(provider))
                reading_.Sink.EventNotListed(id == kCurrentFormEventId ? 20272 : 20251);
            return;
        }
        if (!message) {
            reading_.Sink.UnreadLine(reading_.File, lines_.LineAt(offset));  // its quote never closes
            return;
        }
        const bool found = marker_ != nullptr && marker_ >= message->data() && marker_ < message->data() + message->size();
        if (!found && reading_.Matcher.FindMarker(*message) == npos)
            return;
        reading_.Sink.Message({id, server, *message, offset, encoding_});
    }

    const ExportReading& reading_;
    char separator_;
    bool powerShell_;
    bool headerSeen_ = false;
    PowerShellColumns columns_;
    std::array<std::string, 3> buffers_;  // for fields with doubled quotes
    EventViewerFields split_;
    std::size_t markerAt_ = npos;     // the marker's place in the next record, when known
    const char* marker_ = nullptr;    // the marker in the record in hand, when known
    LogLineRead line_;
    TextEncoding encoding_ = TextEncoding::SingleByte;
    std::string server_;  // a computer name as single bytes
    std::string joined_;       // a record of several lines, joined by line feeds
    std::string_view record_;  // the record last read: a line, or joined_
    std::int64_t recordOffset_ = 0;  // its place in the file (bytes)
    bool recordOverlong_ = false;
    LineCounter lines_;
};

}  // namespace

bool ReadCsvExport(LogReader& reader, LogForm form, const ExportReading& reading)
{
    CsvEvents events(form, reading);
    return events.Read(reader);
}

std::string_view ServerOfFileName(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    return dot == npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

}  // namespace vy
