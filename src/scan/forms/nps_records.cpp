#include "scan/forms/nps_records.h"

#include <algorithm>

#include "scan/accounting_record.h"
#include "scan/line_parser.h"
#include "store/ascii_text.h"
#include "store/date_value.h"

namespace vy {

namespace {

constexpr int kAccountingRequest = 4;
constexpr int kStop = 2;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<int> Number(std::string_view text) { return ReadDigits<int>(text); }

// A record damaged on the way may have been a Stop: unless what is left of
// it says otherwise, it is counted, so that no connection goes unnoticed.
// So is a record whose status is not a number.
enum class Verdict { None, Connection, Unread };
Verdict VerdictOf(const NpsRecord& record)
{
    const std::string_view status = record[NpsAttribute::StatusType];
    if (const auto number = Number(status))
        return *number != kStop ? Verdict::None : record.Whole ? Verdict::Connection : Verdict::Unread;
    if (record.Whole && status.empty())
        return Verdict::None;
    return NoStop(status, record[NpsAttribute::PacketType]) ? Verdict::None : Verdict::Unread;
}

// The connection of a Stop record, by the rules every accounting form
// shares.
bool NpsStopConnection(const NpsRecord& r, TextEncoding encoding, std::int64_t line, ConnectionLine& out)
{
    using A = NpsAttribute;
    AccountingRecord a;
    a.UserName = r[A::UserName];
    a.NasIdentifier = r[A::NasIdentifier];
    a.NasIpAddress = r[A::NasIpAddress];
    a.FallbackServer = r[A::Computer];
    a.NasPortId = r[A::NasPortId];
    a.NasPort = r[A::NasPort];
    a.ConnectInfo = r[A::ConnectInfo];
    a.SessionTime = r[A::SessionTime];
    a.DelayTime = r[A::DelayTime];
    a.InputOctets = r[A::InputOctets];
    a.OutputOctets = r[A::OutputOctets];
    a.InputGigawords = r[A::InputGigawords];
    a.OutputGigawords = r[A::OutputGigawords];
    a.RecordSecond = NpsRecordSecond(r.Date, r.Time);
    a.Line = line;
    a.Encoding = encoding;
    return ReadStopRecord(a, out);
}

}  // namespace

void NpsRecord::Clear()
{
    values_.fill({});
    Date = Time = {};
    Whole = LineEnded = true;
}

std::string& NpsRecord::Buffer(NpsAttribute a)
{
    std::string& buffer = buffers_[Index(a)];
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
            if (verdict == Verdict::Connection && !NpsStopConnection(record, encoding, number, connection))
                verdict = Verdict::Unread;
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

std::optional<std::int64_t> NpsRecordSecond(std::string_view date, std::string_view time)
{
    if (!IsNpsDate(date) || !IsNpsTime(time))
        return std::nullopt;
    const auto two = [](std::string_view t, std::size_t at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
    const int year = two(date, 6) * 100 + two(date, 8);
    return SecondOf(year, two(date, 0), two(date, 3), two(time, 0), two(time, 3), two(time, 6));
}

bool AppendHexBytes(std::string_view hex, std::string& out)
{
    if (hex.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        out.push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

}  // namespace vy
