// NPS / RRAS accounting log, "database-compatible": one comma line a record
// of the 66 documented fields, text in double quotes ("" for a quote within),
// numbers bare (a quoted one is read as well), an absent value empty.

#include <algorithm>
#include <array>

#include "scan/forms/nps_records.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr int kFields = 66;
constexpr int kDateField = 3;
constexpr int kTimeField = 4;

// The fields read (numbered from 1) and what they hold.
struct Field {
    int Number;
    NpsAttribute Attribute;
};
constexpr std::array kRead{
    Field{1, NpsAttribute::Computer},       Field{5, NpsAttribute::PacketType},
    Field{6, NpsAttribute::UserName},       Field{12, NpsAttribute::NasIdentifier},
    Field{13, NpsAttribute::NasIpAddress},  Field{14, NpsAttribute::NasPort},
    Field{21, NpsAttribute::ConnectInfo},   Field{32, NpsAttribute::StatusType},
    Field{33, NpsAttribute::DelayTime},     Field{34, NpsAttribute::InputOctets},
    Field{35, NpsAttribute::OutputOctets},  Field{38, NpsAttribute::SessionTime},
};

// The fields' attributes by number, Count for those not read.
constexpr std::array<NpsAttribute, kFields + 1> AttributeByField()
{
    std::array<NpsAttribute, kFields + 1> by{};
    by.fill(NpsAttribute::Count);
    for (const Field& f : kRead)
        by[static_cast<std::size_t>(f.Number)] = f.Attribute;
    return by;
}
constexpr std::array kAttributeOf = AttributeByField();

// The next field at at: quotes removed, "" within them kept as one quote
// in buffer. at moves past the comma, to npos after the last field. False
// when a quote never closes.
bool NextField(std::string_view line, std::size_t& at, std::string_view& field, std::string* buffer)
{
    constexpr std::size_t npos = std::string_view::npos;
    if (at >= line.size() || line[at] != '"') {
        const std::size_t comma = line.find(',', at);
        field = line.substr(std::min(at, line.size()), comma == npos ? npos : comma - at);
        at = comma == npos ? npos : comma + 1;
        return true;
    }
    std::size_t from = at + 1;
    bool doubled = false;
    if (buffer != nullptr)
        buffer->clear();
    for (;;) {
        const std::size_t quote = line.find('"', from);
        if (quote == npos)
            return false;
        if (quote + 1 < line.size() && line[quote + 1] == '"') {
            doubled = true;
            if (buffer != nullptr)
                buffer->append(line.substr(from, quote + 1 - from));
            from = quote + 2;
            continue;
        }
        field = line.substr(at + 1, quote - at - 1);
        if (doubled && buffer != nullptr) {
            buffer->append(line.substr(from, quote - from));
            field = *buffer;
        }
        const std::size_t comma = line.find(',', quote + 1);
        at = comma == npos ? npos : comma + 1;
        return true;
    }
}

// Whether the line begins as a record does: quoted computer and service,
// then the record's date and time.
bool BeginsLikeRecord(std::string_view line)
{
    std::size_t at = 0;
    std::string_view field;
    for (int number = 1; number <= kTimeField; ++number) {
        const bool quoted = at < line.size() && line[at] == '"';
        if (at == std::string_view::npos || !NextField(line, at, field, nullptr))
            return false;
        if ((number <= 2 && !quoted) || (number == kDateField && !IsNpsDate(field)) ||
            (number == kTimeField && !IsNpsTime(field)))
            return false;
    }
    return true;
}

}  // namespace

bool RecognisesNpsOdbc(std::string_view head)
{
    const std::string_view line = FirstNonEmptyLine(head);
    if (!BeginsLikeRecord(line))
        return false;
    // The packet type, a number.
    std::size_t at = 0;
    std::string_view field;
    for (int number = 1; number <= kTimeField + 1; ++number)
        if (at == std::string_view::npos || !NextField(line, at, field, nullptr))
            return false;
    return ReadDigits<int>(field).has_value();
}

bool ParseNpsOdbcLine(std::string_view line, NpsRecord& record)
{
    if (!BeginsLikeRecord(line))
        return false;
    std::size_t at = 0;
    int number = 1;
    for (; at != std::string_view::npos; ++number) {
        const NpsAttribute attribute = number <= kFields ? kAttributeOf[static_cast<std::size_t>(number)]
                                                         : NpsAttribute::Count;
        const bool read = attribute != NpsAttribute::Count;
        std::string_view field;
        if (!NextField(line, at, field, read ? &record.Buffer(attribute) : nullptr)) {
            record.Whole = false;  // an unterminated quote
            return true;
        }
        if (read)
            record.Set(attribute, field);
        else if (number == kDateField)
            record.Date = field;
        else if (number == kTimeField)
            record.Time = field;
    }
    // Newer servers may add fields after the documented ones; fewer is a
    // record cut short.
    record.Whole = number - 1 >= kFields;
    return true;
}

}  // namespace vy
