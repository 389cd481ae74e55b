#include "scan/forms/nps_records.h"

#include "scan/accounting_record.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr int kAccountingRequest = 4;
constexpr int kStop = 2;

std::optional<int> Number(std::string_view text) { return ReadDigits<int>(text); }

// A record damaged on the way may have been a Stop: unless what is left of
// it says otherwise, it is counted, so that no connection goes unnoticed.
// So is a record whose status is not a number.
enum class Verdict { None, Connection, Unread };
Verdict VerdictOf(const NpsRecord& record)
{
    const std::string_view status = record.Values[AccountingField::StatusType];
    if (const auto number = Number(status))
        return *number != kStop ? Verdict::None : record.Whole ? Verdict::Connection : Verdict::Unread;
    if (record.Whole && status.empty())
        return Verdict::None;
    return NoStop(status, record.Values[AccountingField::PacketType]) ? Verdict::None : Verdict::Unread;
}

// The record's date and time in seconds since 30 December 1899
// (milliseconds dropped); nullopt when they are no such date and time.
std::optional<std::int64_t> NpsRecordSecond(std::string_view date, std::string_view time)
{
    if (!IsNpsDate(date) || !IsNpsTime(time))
        return std::nullopt;
    const auto two = [](std::string_view t, std::size_t at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
    const int year = two(date, 6) * 100 + two(date, 8);
    return SecondOf(year, two(date, 0), two(date, 3), two(time, 0), two(time, 3), two(time, 6));
}

}  // namespace

void NpsRecord::Clear()
{
    Values.Fields.fill({});
    Date = Time = {};
    Whole = LineEnded = true;
}

std::string& NpsRecord::Buffer(AccountingField a)
{
    std::string& buffer = buffers_[static_cast<std::size_t>(a)];
    buffer.clear();
    return buffer;
}

bool NoStop(std::string_view status, std::string_view packetType)
{
    if (const auto number = Number(status))
        return *number != kStop;
    const auto packet = Number(packetType);
    return packet && *packet != kAccountingRequest;
}

bool ReadNpsLines(FormReading& reading, const NpsLineForm& form)
{
    NpsRecord record;
    ConnectionLine connection;
    LogLineRead line;
    std::int64_t number = 0;
    for (std::int64_t before = 0; reading.Reader.Next(line); before = reading.Reader.Consumed()) {
        ++number;
        Verdict verdict = Verdict::None;
        if (line.Overlong) {
            reading.Sink.Overlong(reading.File, number);
        } else if (!form.NoStop(line.Text)) {
            record.Clear();
            const TextEncoding encoding = reading.Reader.Encoding();
            const int unit = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 : 1;
            record.LineEnded = reading.Reader.Consumed() - before > line.Length * unit;
            if (form.Parse(line.Text, record))
                verdict = VerdictOf(record);
            if (verdict == Verdict::Connection) {
                record.Values.RecordSecond = NpsRecordSecond(record.Date, record.Time);
                record.Values.Encoding = encoding;
                if (!ReadStopRecord(record.Values, connection))
                    verdict = Verdict::Unread;
            }
        }
        reading.Progress.Line(reading.FileStart + static_cast<double>(reading.Reader.Consumed()),
                              verdict == Verdict::Connection);
        if (verdict == Verdict::Connection)
            reading.Sink.Parsed(connection);
        else if (verdict == Verdict::Unread)
            reading.Sink.UnreadLine(reading.File, number);
        if (reading.Sink.Stopped())
            return false;
    }
    return true;
}

bool IsNpsDate(std::string_view text)
{
    return text.size() == 10 && text[2] == '/' && text[5] == '/' && IsAsciiDigit(text[0]) && IsAsciiDigit(text[1]) &&
           IsAsciiDigit(text[3]) && IsAsciiDigit(text[4]) && IsAsciiDigit(text[6]) && IsAsciiDigit(text[7]) &&
           IsAsciiDigit(text[8]) && IsAsciiDigit(text[9]);
}

bool IsNpsTime(std::string_view text)
{
    return text.size() >= 8 && text[2] == ':' && text[5] == ':' && IsAsciiDigit(text[0]) && IsAsciiDigit(text[1]) &&
           IsAsciiDigit(text[3]) && IsAsciiDigit(text[4]) && IsAsciiDigit(text[6]) && IsAsciiDigit(text[7]) &&
           (text.size() == 8 || text[8] == '.');
}

}  // namespace vy
