// NPS / RRAS accounting log, "database-compatible": one comma line a record
// of the 66 documented fields, text in double quotes ("" for a quote within),
// numbers bare (a quoted one is read as well), an absent value empty.

#include <algorithm>
#include <array>
#include <vector>

#include "scan/accounting_record.h"
#include "scan/forms/csv_fields.h"
#include "scan/forms/nps_records.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr int kFields = 66;
constexpr int kDateField = 3;
constexpr int kTimeField = 4;
constexpr int kPacketField = 5;
constexpr int kStatusField = 32;

// The fields read (numbered from 1) and what they hold.
constexpr std::array kRead{
    NumberedField{1, AccountingField::Server},       NumberedField{kPacketField, AccountingField::PacketType},
    NumberedField{6, AccountingField::UserName},       NumberedField{12, AccountingField::NasIdentifier},
    NumberedField{13, AccountingField::NasIpAddress},  NumberedField{14, AccountingField::NasPort},
    NumberedField{21, AccountingField::ConnectInfo},   NumberedField{kStatusField, AccountingField::StatusType},
    NumberedField{33, AccountingField::DelayTime},     NumberedField{34, AccountingField::InputOctets},
    NumberedField{35, AccountingField::OutputOctets},  NumberedField{38, AccountingField::SessionTime},
};

// The fields' attributes by number, Count for those not read.
constexpr std::array<AccountingField, kFields + 1> AttributeByField()
{
    std::array<AccountingField, kFields + 1> by{};
    by.fill(AccountingField::Count);
    for (const NumberedField& f : kRead)
        by[static_cast<std::size_t>(f.Number)] = f.Attribute;
    return by;
}
constexpr std::array kAttributeOf = AttributeByField();

// Whether the line begins as a record does: quoted computer and service,
// then the record's date and time.
bool BeginsLikeRecord(std::string_view line, const std::vector<std::string_view>& fields)
{
    if (!line.starts_with('"') || fields.size() < kTimeField || !IsNpsDate(fields[kDateField - 1]) ||
        !IsNpsTime(fields[kTimeField - 1]))
        return false;
    // The date, unquoted, is a view into the line: the service's opening
    // quote stands before it.
    const std::size_t service = line.find("\",\"");
    return service != std::string_view::npos &&
           service + 2 < static_cast<std::size_t>(fields[kDateField - 1].data() - line.data());
}

bool RecognisesNpsOdbc(std::string_view head)
{
    const std::string_view line = FirstLineOf(head);
    FieldSplitter fields;
    fields.Split(line, ',');
    return BeginsLikeRecord(line, fields.Fields()) && fields.Fields().size() > kTimeField &&
           ReadDigits<int>(fields.Fields()[kTimeField]).has_value();  // the packet type
}

bool ParseNpsOdbcLine(std::string_view line, NpsRecord& record)
{
    thread_local FieldSplitter splitter;
    const bool closed = splitter.Split(line, ',');
    const std::vector<std::string_view>& fields = splitter.Fields();
    if (!BeginsLikeRecord(line, fields))
        return false;
    record.Date = fields[kDateField - 1];
    record.Time = fields[kTimeField - 1];
    const std::size_t n = std::min<std::size_t>(fields.size(), kFields);
    for (std::size_t number = 1; number <= n; ++number)
        if (const AccountingField a = kAttributeOf[number]; a != AccountingField::Count)
            record.Values[a] = fields[number - 1];
    // Newer servers may add fields after the documented ones; fewer is a
    // record cut short. After a quote never closed, or a line short of
    // fields that is not the file's cut end, fields may have slipped: the
    // status is not known then (the packet type comes before any text).
    record.Whole = closed && fields.size() >= kFields;
    if (!closed || (!record.Whole && record.LineEnded))
        record.Values[AccountingField::StatusType] = {};
    return true;
}

// Access records by their packet type; accounting records by their
// status, where no quote has gone missing to shift the fields. One pass
// over the bytes: the fields' splitting is kept for the few Stops.
bool NoStopOdbc(std::string_view line)
{
    const auto unquoted = [](std::string_view field) {
        return field.size() >= 2 && field.front() == '"' && field.back() == '"' ? field.substr(1, field.size() - 2)
                                                                                : field;
    };
    std::string_view packet;
    int field = 1;
    std::size_t start = 0;
    bool quoted = false;  // a doubled quote goes in and out again
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c != '"' && c != ',')
            continue;
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (field == kPacketField) {
            packet = unquoted(line.substr(start, i - start));
            if (NoStop({}, packet))
                return true;
        } else if (field == kStatusField) {
            // The rest only for its quotes: an odd number in the line may
            // have shifted the fields.
            return !OddQuotes(line) && NoStop(unquoted(line.substr(start, i - start)), packet);
        }
        ++field;
        start = i + 1;
    }
    return false;
}

}  // namespace

extern const LogFormEntry kNpsOdbcForm{
    "NPS log (database-compatible)", RecognisesNpsOdbc,
    [](FormReading& reading) { return ReadNpsLines(reading, {ParseNpsOdbcLine, NoStopOdbc}); }};

}  // namespace vy
