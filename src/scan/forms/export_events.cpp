#include "scan/forms/export_events.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "scan/event_strings.h"
#include "scan/forms/csv_fields.h"
#include "scan/name_text.h"
#include "scan/scan_run.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The Event Viewer header names, English and German, "|" standing for the
// separator.
constexpr std::string_view kHeaders[] = {"Level|Date and Time|Source|Event ID|Task Category",
                                         "Ebene|Datum und Uhrzeit|Quelle|Ereignis-ID|Aufgabenkategorie"};

// The server of an Event Viewer export, which names no computer: the file's
// name without its last extension ("RAS1.csv" gives "RAS1").
std::string_view ServerOfFileName(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    return dot == npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

// Where the columns of a PowerShell export stand; -1 for a missing one.
struct PowerShellColumns {
    int Id = -1, Machine = -1, Message = -1, Provider = -1;
    std::size_t Count = 0;
    int Last() const { return std::max({Id, Machine, Message, Provider}); }
};

// The events of one export, record by record.
class ExportEvents {
public:
    ExportEvents(FormReading& reading, ExportLayout layout)
        : reading_(reading), separator_(layout == ExportLayout::EventViewerText ? '\t' : ','),
          powerShell_(layout == ExportLayout::PowerShell), fileServer_(ServerOfFileName(reading.FileName))
    {
    }

    bool Read()
    {
        LogReader& reader = reading_.Reader;
        while (!headerSeen_) {
            if (!NextRecord())
                return true;
            Header(record_);
        }
        if (powerShell_ && !ColumnsFound())
            return true;
        // Record after record; Event Viewer exports pass the events before
        // the next marker in bulk.
        bool markerNext = false;  // the next record is known to hold the marker
        for (;;) {
            if (!powerShell_ && !markerNext && !held_) {
                std::size_t clear = 0;
                const std::size_t pass = Passable(reader.Buffered(), markerNext, clear);
                markerAt_ = markerNext && clear > 0 ? clear : npos;
                if (pass > 0) {
                    lines_ += CountLineEnds(reader.Buffered().substr(0, pass));
                    if (!reading_.Progress.PassLines(reader, pass, reading_.FileStart) || reading_.Sink.Stopped())
                        return false;
                    reader.Pass(pass, clear);
                    continue;
                }
            }
            markerNext = false;
            if (!NextRecord())
                return true;
            // Where the marker was found, when it was (the message need not
            // be searched again).
            marker_ = markerAt_ != npos && markerAt_ < record_.size() ? record_.data() + markerAt_ : nullptr;
            markerAt_ = npos;
            if (!recordOverlong_)
                Record(record_);
            reading_.Progress.Line(reading_.FileStart + static_cast<double>(reader.Consumed()), false);
            if (reading_.Sink.Stopped())
                return false;
        }
    }

private:
    // The next record into record_: one line, or more while a quote stays
    // open, up to the next line that starts a record. False at the end.
    bool NextRecord()
    {
        encoding_ = reading_.Reader.Encoding();
        recordOverlong_ = broken_ = false;
        bool open = false;  // inside quotes at the end of the record so far
        record_ = {};
        for (;;) {
            std::string_view text;
            std::int64_t number = 0;
            if (held_) {
                held_ = false;
                text = heldText_;
                number = heldLine_;
            } else {
                if (!reading_.Reader.Next(line_)) {
                    if (!open)
                        return false;  // no line: the end
                    break;
                }
                number = ++lines_;
                if (line_.Overlong)
                    return Overlong(number);  // a record with a line beyond the limit cannot be examined
                text = line_.Text;
            }
            // The fields are told apart in the bytes as they stand (the
            // separators and quotes are ASCII); the message is decoded by
            // the scan.
            if (!open) {
                recordLine_ = number;
                // An Event Viewer line is split at once: most records are one line.
                const Quotes quotes = powerShell_                          ? QuotesOf(text, separator_)
                                      : fields_.Split(text, separator_, 6) ? Quotes::Closed
                                                                           : Quotes::Open;
                if (quotes != Quotes::Open) {
                    record_ = text;  // the common case: no copy
                    broken_ = quotes == Quotes::Broken;
                    return true;
                }
                joined_.assign(text);
                open = true;
                continue;
            }
            if (StartsRecord(text)) {
                Hold(text, number);  // the quote never closed: the record ends before this line
                break;
            }
            if (joined_.size() + text.size() >= LogReader::DefaultMaxLine)
                return Overlong(number);
            const std::size_t before = joined_.size();
            joined_.push_back('\n');
            joined_.append(text);
            const Quotes quotes = powerShell_ ? QuotesOf(joined_, separator_) : OddQuotes(text) ? Quotes::Closed : Quotes::Open;
            if (quotes == Quotes::Broken && text.starts_with('"')) {
                // A quote was lost before this line, which may start the next record.
                joined_.resize(before);
                Hold(text, number);
                break;
            }
            if (quotes != Quotes::Open) {
                open = quotes == Quotes::Broken;
                break;
            }
        }
        record_ = joined_;
        broken_ = open || held_;
        if (!powerShell_)
            fields_.Split(record_, separator_, 6);
        return true;
    }

    bool Overlong(std::int64_t line)
    {
        reading_.Sink.Overlong(reading_.File, line);
        recordOverlong_ = true;
        return true;
    }

    void Hold(std::string_view text, std::int64_t number)
    {
        heldText_.assign(text);
        heldLine_ = number;
        held_ = true;
    }

    // Whether the line text starts a record of the form by itself.
    bool StartsRecord(std::string_view text)
    {
        if (!powerShell_)
            return IsEventStart(text);
        return text.starts_with('"') && !OddQuotes(text) && probe_.Split(text, separator_) &&
               probe_.Fields().size() == columns_.Count;
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
        // The fields ran into the next line? (Two byte searches: a loop over
        // the bytes cost more than the rest of the look.)
        const std::string_view head = text.substr(0, at);
        if (head.find('\n') != npos || head.find('\r') != npos)
            return false;
        const std::string_view id = Trimmed(fields[3]);
        const auto digit = [](char c) { return IsAsciiDigit(c) || c == '?' || c == '\xE2' || c == '"'; };
        return !fields[0].empty() && fields[0].front() != '"' && !fields[1].empty() && digit(fields[1].front()) &&
               !id.empty() && id.size() <= 5 && std::all_of(id.begin(), id.end(), IsAsciiDigit);
    }

    void Record(std::string_view text)
    {
        if (!powerShell_) {
            EventViewerRecord(text);
        } else if (broken_) {
            Broken(text);
        } else if (reading_.Matcher.FindMarker(text) != npos) {
            // Most events are no connections: those without the marker need
            // no splitting.
            PowerShellRecord(text);
        }
    }

    void Header(std::string_view text)
    {
        if (powerShell_ && text.starts_with("#TYPE "))
            return;  // the type line comes before the header
        headerSeen_ = true;
        if (!powerShell_)
            return;
        fields_.Split(text, separator_);
        const auto& names = fields_.Fields();
        columns_.Count = names.size();
        for (std::size_t column = 0; column < names.size(); ++column) {
            const std::string_view name = names[column];
            const int c = static_cast<int>(column);
            if (name == "Id" || name == "EventID")
                columns_.Id = c;
            else if (name == "MachineName")
                columns_.Machine = c;
            else if (name == "Message")
                columns_.Message = c;
            else if (name == "ProviderName" || name == "Source")
                columns_.Provider = c;
        }
    }

    // Whether the header names every column needed; the file named with the
    // first one missing when not.
    bool ColumnsFound()
    {
        const char* missing = columns_.Id < 0        ? "Id"
                              : columns_.Machine < 0 ? "MachineName"
                              : columns_.Message < 0 ? "Message"
                                                     : nullptr;
        if (missing != nullptr)
            reading_.Sink.Problem(reading_.File, std::string("it has no \"") + missing +
                                                     "\" column, so none of its events could be read");
        return missing == nullptr;
    }

    // The record last split.
    void EventViewerRecord(std::string_view text)
    {
        const auto& f = fields_.Fields();
        if (broken_ || f.size() < 5) {
            Broken(text);
            return;
        }
        Event(Trimmed(f[3]), f[2], fileServer_, f.size() == 6 ? std::optional(f[5]) : std::nullopt);
    }

    void PowerShellRecord(std::string_view text)
    {
        fields_.Split(text, separator_);
        const auto& f = fields_.Fields();
        if (static_cast<int>(f.size()) <= columns_.Last()) {
            Broken(text);
            return;
        }
        const std::string_view machine = DecodeLine(f[columns_.Machine], encoding_, server_);
        const std::string_view provider = columns_.Provider >= 0 ? f[columns_.Provider] : std::string_view();
        Event(Trimmed(f[columns_.Id]), provider, machine, f[columns_.Message]);
    }

    // A record whose fields could not be told apart: unread when it looks
    // like a listed event (the ID as a field of its own).
    void Broken(std::string_view text)
    {
        for (std::size_t at = text.find(separator_); at != npos; at = text.find(separator_, at + 1)) {
            const std::size_t from = at + 1;
            const std::size_t end = std::min(text.find(separator_, from), text.size());
            std::string_view field = Trimmed(text.substr(from, end - from));
            if (field.size() == 7 && field.front() == '"' && field.back() == '"')
                field = field.substr(1, 5);
            if (reading_.Matcher.Lists(field)) {
                reading_.Sink.UnreadLine(reading_.File, recordLine_);
                return;
            }
        }
        // A PowerShell record may begin with its ID.
        if (powerShell_ && text.size() >= 8 && text[0] == '"' && text[6] == '"' && reading_.Matcher.Lists(text.substr(1, 5)))
            reading_.Sink.UnreadLine(reading_.File, recordLine_);
    }

    void Event(std::string_view id, std::string_view provider, std::string_view server,
               std::optional<std::string_view> message)
    {
        if (!reading_.Matcher.Lists(id)) {
            if (const int event = RemoteAccessConnectionEvent(id, provider))
                reading_.Sink.EventNotListed(event);
            return;
        }
        if (!message) {
            reading_.Sink.UnreadLine(reading_.File, recordLine_);
            return;
        }
        const bool found = marker_ != nullptr && marker_ >= message->data() && marker_ < message->data() + message->size();
        if (!found && reading_.Matcher.FindMarker(*message) == npos)
            return;
        if (ParseEventMessage(reading_.Settings.LogLanguage, id, server, DecodeLine(*message, encoding_, decoded_), values_)) {
            MakeNamesData(values_, room_);
            reading_.Sink.Parsed(values_);
        } else {
            reading_.Sink.UnreadLine(reading_.File, recordLine_);
        }
    }

    FormReading& reading_;
    char separator_;
    bool powerShell_;
    std::string_view fileServer_;
    bool headerSeen_ = false;
    PowerShellColumns columns_;
    FieldSplitter fields_;
    FieldSplitter probe_;  // for telling whether a line starts a record
    std::size_t markerAt_ = npos;   // the marker's place in the next record, when known
    const char* marker_ = nullptr;  // the marker in the record in hand, when known
    LogLineRead line_;
    TextEncoding encoding_ = TextEncoding::SingleByte;
    std::string server_;       // a computer name as single bytes
    std::string decoded_;      // a message as single bytes
    ConnectionLine values_;
    NameRoom room_;
    std::string joined_;       // a record of several lines, joined by line feeds
    std::string_view record_;  // the record last read: a line, or joined_
    std::int64_t lines_ = 0;   // lines read so far
    std::int64_t recordLine_ = 0;  // the line the record begins on
    bool recordOverlong_ = false;
    bool broken_ = false;  // its quote never closed
    std::string heldText_;  // a line read past the end of a broken record: the next record's start
    std::int64_t heldLine_ = 0;
    bool held_ = false;
};

}  // namespace

bool ReadExportEvents(FormReading& reading, ExportLayout layout) { return ExportEvents(reading, layout).Read(); }

bool IsEventViewerHeader(std::string_view head, char separator)
{
    const std::string_view line = head.substr(0, head.find_first_of("\r\n"));
    // Some exports close the header with a separator, blanks or zero bytes.
    const char trailing[] = {separator, ' ', '\0'};
    for (const std::string_view names : kHeaders) {
        std::string header(names);
        std::replace(header.begin(), header.end(), '|', separator);
        if (line.starts_with(header) && line.find_first_not_of(std::string_view(trailing, 3), header.size()) == npos)
            return true;
    }
    return false;
}

}  // namespace vy
