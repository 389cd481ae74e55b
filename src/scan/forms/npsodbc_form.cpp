// NPS / RRAS accounting log, "database-compatible": one comma line a record
// of the 66 documented fields, text in double quotes ("" for a quote within),
// numbers bare (a quoted one is read as well), an absent value empty.

#include <algorithm>
#include <array>
#include <vector>

#include "scan/forms/csv_fields.h"
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
    const std::string_view line = FirstNonEmptyLine(head);
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
        if (const NpsAttribute a = kAttributeOf[number]; a != NpsAttribute::Count)
            record.Set(a, fields[number - 1]);
    // Newer servers may add fields after the documented ones; fewer is a
    // record cut short. After a quote never closed the fields may have
    // slipped: the status is not known then.
    record.Whole = closed && fields.size() >= kFields;
    if (!closed)
        record.Set(NpsAttribute::StatusType, {});
    return true;
}

}  // namespace

extern const LogFormEntry kNpsOdbcForm{"NPS log (database-compatible)", RecognisesNpsOdbc,
                                     [](FormReading& reading) { return ReadNpsLines(reading, ParseNpsOdbcLine); }};

}  // namespace vy
