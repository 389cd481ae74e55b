// NPS / IAS accounting log, "IAS format": one comma line a record, six
// header fields (NAS address, user, MM/DD/YYYY, HH:MM:SS, service, computer),
// then attribute-id,value pairs. A value that holds a comma or a byte that is
// not printable is written as 0x and the hex digits of its bytes, in any
// field.

#include <algorithm>
#include <array>

#include <QByteArray>

#include "scan/accounting_record.h"
#include "scan/forms/nps_records.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr std::size_t kHeaderFields = 6;
constexpr int kStatusId = 40;
constexpr int kPacketTypeId = 4136;

constexpr std::array kRead{
    NumberedField{1, AccountingField::UserName},         NumberedField{4, AccountingField::NasIpAddress},
    NumberedField{5, AccountingField::NasPort},          NumberedField{32, AccountingField::NasIdentifier},
    NumberedField{kStatusId, AccountingField::StatusType},      NumberedField{41, AccountingField::DelayTime},
    NumberedField{42, AccountingField::InputOctets},     NumberedField{43, AccountingField::OutputOctets},
    NumberedField{46, AccountingField::SessionTime},     NumberedField{52, AccountingField::InputGigawords},
    NumberedField{53, AccountingField::OutputGigawords}, NumberedField{77, AccountingField::ConnectInfo},
    NumberedField{87, AccountingField::NasPortId},       NumberedField{kPacketTypeId, AccountingField::PacketType},
};

// An attribute number of up to five digits; -1 for anything else.
int IdOf(std::string_view text)
{
    if (text.empty() || text.size() > 5)
        return -1;
    int id = 0;
    for (const char c : text) {
        if (!IsAsciiDigit(c))
            return -1;
        id = id * 10 + (c - '0');
    }
    return id;
}

std::optional<AccountingField> AttributeOf(int id)
{
    for (const NumberedField& pair : kRead)
        if (pair.Number == id)
            return pair.Attribute;
    return std::nullopt;
}

// The next comma-separated field at at; at moves past the comma, to npos
// after the last field. Fields are short: a plain loop finds the comma
// sooner than a call to the library.
std::string_view NextField(std::string_view line, std::size_t& at)
{
    const std::size_t from = at;
    std::size_t end = from;
    while (end < line.size() && line[end] != ',')
        ++end;
    at = end < line.size() ? end + 1 : std::string_view::npos;
    return line.substr(from, end - from);
}

bool IsHexDigit(char c) { return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The value of attribute a: 0x and hex digits become the bytes they stand
// for; false for hex of odd length.
bool SetValue(NpsRecord& record, AccountingField a, std::string_view value)
{
    if (value.size() > 2 && value.starts_with("0x") && std::all_of(value.begin() + 2, value.end(), IsHexDigit)) {
        if (value.size() % 2 != 0)
            return false;
        const QByteArray bytes = QByteArray::fromHex(QByteArray::fromRawData(value.data() + 2, std::ssize(value) - 2));
        record.Buffer(a).assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        record.SetFromBuffer(a);
        return true;
    }
    record.Values[a] = value;
    return true;
}

struct Header {
    std::array<std::string_view, kHeaderFields> Fields;
    std::size_t End = 0;  // where the pairs begin
};

// The six header fields when the line begins as a record does; the NAS
// address and the computer without blanks.
std::optional<Header> ReadHeader(std::string_view line)
{
    Header header;
    std::size_t at = 0;
    for (std::string_view& field : header.Fields) {
        if (at == std::string_view::npos)
            return std::nullopt;
        field = NextField(line, at);
    }
    const auto& f = header.Fields;
    const auto plain = [](std::string_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c != '\x7F'; });
    };
    if (!plain(f[0]) || !IsNpsDate(f[2]) || !IsNpsTime(f[3]) || f[4].empty() || !plain(f[5]))
        return std::nullopt;
    header.End = at;
    return header;
}


bool RecognisesNpsIas(std::string_view head)
{
    const std::string_view line = FirstLineOf(head);
    const auto header = ReadHeader(line);
    if (!header || header->End == std::string_view::npos)
        return false;
    std::size_t at = header->End;
    const std::string_view id = NextField(line, at);
    return at != std::string_view::npos && IdOf(id) >= 0;
}

bool ParseNpsIasLine(std::string_view line, NpsRecord& record)
{
    const auto header = ReadHeader(line);
    if (!header)
        return false;
    record.Date = header->Fields[2];
    record.Time = header->Fields[3];
    // The pairs' user and NAS address stand before the header's.
    bool whole = SetValue(record, AccountingField::UserName, header->Fields[1]) &&
                 SetValue(record, AccountingField::NasIpAddress, header->Fields[0]) &&
                 SetValue(record, AccountingField::Server, header->Fields[5]);
    for (std::size_t at = header->End; at != std::string_view::npos;) {
        const std::string_view id = NextField(line, at);
        if (at == std::string_view::npos) {
            // A trailing comma leaves one empty field; anything else is an
            // attribute without its value.
            whole = whole && id.empty();
            break;
        }
        const std::string_view value = NextField(line, at);
        const int number = IdOf(id);
        if (number < 0) {
            whole = false;
            continue;
        }
        if (const auto attribute = AttributeOf(number); attribute && !value.empty())
            whole = SetValue(record, *attribute, value) && whole;
    }
    // The pairs have no end mark: a line that ends without its line end may
    // have lost some.
    record.Whole = whole && record.LineEnded;
    return true;
}

// The pairs read for the status and the packet type alone.
bool NoStopIas(std::string_view line)
{
    const auto header = ReadHeader(line);
    if (!header)
        return true;  // no record at all
    std::string_view status, packet;
    for (std::size_t at = header->End; at != std::string_view::npos;) {
        const std::string_view id = NextField(line, at);
        if (at == std::string_view::npos)
            break;
        const std::string_view value = NextField(line, at);
        const int number = IdOf(id);
        if (number == kStatusId)
            status = value;
        else if (number == kPacketTypeId)
            packet = value;
    }
    return NoStop(status, packet);
}

}  // namespace

extern const LogFormEntry kNpsIasForm{
    "NPS log (IAS format)", RecognisesNpsIas,
    [](FormReading& reading) { return ReadNpsLines(reading, {ParseNpsIasLine, NoStopIas}); }};

}  // namespace vy
