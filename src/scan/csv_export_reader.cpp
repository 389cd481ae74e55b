#include "scan/csv_export_reader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "scan/event_strings.h"
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
        const std::size_t end = text.find(separator, at);
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
    const std::size_t end = text.find(separator, close + 1);
    at = end == npos ? npos : end + 1;
    const std::string_view inside = text.substr(begin, close - begin);
    if (!doubled)
        return inside;
    buffer.clear();
    for (std::size_t i = 0; i < inside.size(); ++i) {
        buffer.push_back(inside[i]);
        if (inside[i] == '"')
            ++i;  // the second of the pair
    }
    return std::string_view(buffer);
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
    }

    bool Read(LogReader& reader)
    {
        LogLineRead line;
        std::string decoded;
        std::string record;  // a record of several lines, joined by line feeds
        bool open = false;   // inside quotes at the end of the record so far
        std::int64_t lineNumber = 0, recordStart = 0;
        while (reader.Next(line)) {
            ++lineNumber;
            if (line.Overlong) {
                // A record with a line beyond the limit cannot be examined.
                reading_.Sink.Overlong();
                open = false;
                record.clear();
            } else {
                const std::string_view text = DecodeLine(line.Text, reader.Encoding(), decoded);
                const bool odd = std::count(text.begin(), text.end(), '"') % 2 != 0;
                if (!open) {
                    recordStart = lineNumber;
                    if (odd) {
                        record.assign(text);
                        open = true;
                    } else {
                        Record(text, recordStart);
                    }
                } else if (record.size() + text.size() >= LogReader::DefaultMaxLine) {
                    // A quote that never closes would hold the rest of the
                    // file: past the limit the record is let go.
                    reading_.Sink.Overlong();
                    open = false;
                    record.clear();
                } else {
                    record.push_back('\n');
                    record.append(text);
                    if (odd) {
                        open = false;
                        Record(record, recordStart);
                    }
                }
            }
            reading_.Progress.Line(reading_.FileStart + static_cast<double>(reader.Consumed()), false);
            if (reading_.Sink.Stopped())
                return false;
        }
        if (open)
            Record(record, recordStart);  // its quote never closes
        return true;
    }

private:
    void Record(std::string_view text, std::int64_t place)
    {
        if (!headerSeen_) {
            Header(text);
            return;
        }
        // Most events are no connections: those without the marker need no
        // splitting.
        if (reading_.Matcher.FindMarker(text) == npos)
            return;
        if (powerShell_)
            PowerShellRecord(text, place);
        else
            EventViewerRecord(text, place);
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

    // level, date and time, source, event ID, task category, description
    void EventViewerRecord(std::string_view text, std::int64_t place)
    {
        std::array<std::string_view, 5> fields;
        std::size_t at = 0;
        for (std::string_view& field : fields) {
            const auto read = at == npos ? std::nullopt : NextField(text, at, separator_, buffers_[0]);
            if (!read) {
                Broken(text, place);
                return;
            }
            field = *read;
        }
        const auto description = at == npos ? std::nullopt : NextField(text, at, '\0', buffers_[1]);
        Event(Trimmed(fields[3]), fields[2], reading_.FileServer, description, place);
    }

    void PowerShellRecord(std::string_view text, std::int64_t place)
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
                machine = *field;
            else if (column == columns_.Provider)
                provider = *field;
            else if (column == columns_.Message)
                message = *field;
        }
        // A record that ends before its last column we need is unread
        // when its ID is known and listed.
        const bool whole = column > columns_.Last();
        Event(id, provider, machine, whole ? std::optional(message) : std::nullopt, place);
    }

    // A record whose fields could not be told apart: unread when it looks
    // like a listed event (the ID as a field of its own).
    void Broken(std::string_view text, std::int64_t place)
    {
        for (std::size_t at = text.find(separator_); at != npos; at = text.find(separator_, at + 1)) {
            const std::size_t end = std::min(text.find(separator_, at + 1), text.size());
            std::string_view field = Trimmed(text.substr(at + 1, end - at - 1));
            if (field.size() == 7 && field.front() == '"' && field.back() == '"')
                field = field.substr(1, 5);
            if (reading_.Matcher.Lists(field)) {
                reading_.Sink.Unread(place);
                return;
            }
        }
    }

    void Event(std::string_view id, std::string_view provider, std::string_view server,
               std::optional<std::string_view> message, std::int64_t place)
    {
        if (!reading_.Matcher.Lists(id)) {
            if ((id == kCurrentFormEventId || id == kSpeedFormEventId) && IsRemoteAccess(provider))
                reading_.Sink.NotListed(id);
            return;
        }
        if (!message) {
            reading_.Sink.Unread(place);  // its quote never closes
            return;
        }
        if (reading_.Matcher.FindMarker(*message) == npos)
            return;
        reading_.Sink.Message({id, server, *message, place});
    }

    const ExportReading& reading_;
    char separator_;
    bool powerShell_;
    bool headerSeen_ = false;
    PowerShellColumns columns_;
    std::array<std::string, 3> buffers_;  // for fields with doubled quotes
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
