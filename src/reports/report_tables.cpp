#include "reports/report_tables.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "reports/date_text.h"
#include "reports/report_tree_builder.h"
#include "reports/value_format.h"
#include "store/date_value.h"

namespace vy {

const std::array<std::string_view, 8> DayNames = {
    "", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
};

std::string TotalsLine(std::int64_t time, std::int64_t sent, std::int64_t received)
{
    std::string line = "Total:    Time: ";
    line += SecondsToText(time);
    line += "   Send: ";
    line += GroupDigits(",", sent);
    line += "   Receive: ";
    line += GroupDigits(",", received);
    return line;
}

namespace {

// Durations and bytes add up in 64 bits: a million 32-bit durations cannot
// leave them. Unsigned arithmetic keeps byte sums that would leave them
// defined (they wrap).
struct Sums {
    std::int64_t Time = 0;
    std::int64_t Sent = 0;
    std::int64_t Received = 0;

    void Add(const ConnectionRecord& r)
    {
        Time += r.ActiveTime;
        Sent = Wrapped(Sent, r.BytesSent);
        Received = Wrapped(Received, r.BytesReceived);
    }
    void Add(const Sums& other)
    {
        Time += other.Time;
        Sent = Wrapped(Sent, other.Sent);
        Received = Wrapped(Received, other.Received);
    }
    static std::int64_t Wrapped(std::int64_t a, std::int64_t b)
    {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
    }
};

// The name of an entry, empty for an index past the table's count (which
// only an inconsistent store could hold).
const std::string& NameAt(const NameTable& names, int index)
{
    static const std::string none;
    return index >= 0 && index < names.Count() ? names[index].Name : none;
}

int ParentAt(const NameTable& names, int index)
{
    return index >= 0 && index < names.Count() ? names[index].Parent : -1;
}

// The index if it is an entry of the kind, else -1.
int EntryOf(const NameTable& names, int index, NameKind kind)
{
    return index >= 0 && index < names.Count() && names[index].Kind == kind ? index : -1;
}

ReportRow AggregateRow(std::string caption, const Sums& sums, int image, int key)
{
    ReportRow row;
    row.Image = image;
    row.Key = key;
    row.Cells.reserve(4);
    row.Cells.push_back(std::move(caption));
    row.Cells.push_back(SecondsToText(sums.Time));
    row.Cells.push_back(GroupDigits(",", sums.Sent));
    row.Cells.push_back(GroupDigits(",", sums.Received));
    row.Values = {sums.Time, sums.Sent, sums.Received, 0};
    return row;
}

// Aggregate tables: rows keyed by a slot number, each record summed into at
// most one slot in a single pass over the store.
struct Aggregate {
    std::vector<std::string> Captions;
    std::vector<int> Keys;
    std::vector<Sums> RowSums;

    int AddRow(std::string caption, int key)
    {
        Captions.push_back(std::move(caption));
        Keys.push_back(key);
        RowSums.emplace_back();
        return static_cast<int>(Captions.size()) - 1;
    }

    // The one pass over the store: each record that is not removed is added
    // to the row slotOf gives it, if any.
    template <typename SlotOf>
    void Sum(const ConnectionStore& store, SlotOf slotOf)
    {
        if (Captions.empty())
            return;
        for (const ConnectionRecord& r : store)
            if (!r.Removed())
                if (const int slot = slotOf(r); slot >= 0)
                    RowSums[static_cast<std::size_t>(slot)].Add(r);
    }
};

// The kind a table is sorted by once filled, on its first column; Month
// for none.
SortError Finish(ReportTable& table, std::string& labelTotal, std::vector<ReportRow> rows, const Sums& totals,
                 ColumnKind order, CellMaker makeCell = nullptr, std::size_t madeCells = 0)
{
    table.Rows = std::move(rows);
    table.MakeCell = std::move(makeCell);
    table.MadeCells = madeCells;
    // The totals line is set before sorting so that it is right even when a
    // key cannot be read and the sort gives up.
    labelTotal = TotalsLine(totals.Time, totals.Sent, totals.Received);
    table.Totals = {totals.Time, totals.Sent, totals.Received, 0};
    return SortList(table, 0, order, 1);
}

// keyOf gives the sort keys of a row from its node key.
template <typename KeyOf>
SortError FinishAggregate(ReportTable& table, std::string& labelTotal, Aggregate& aggregate, int image,
                          ColumnKind order, KeyOf keyOf, std::vector<std::string> extra = {})
{
    std::vector<ReportRow> rows;
    rows.reserve(aggregate.Captions.size());
    Sums totals;
    for (std::size_t r = 0; r < aggregate.Captions.size(); ++r) {
        rows.push_back(AggregateRow(std::move(aggregate.Captions[r]), aggregate.RowSums[r], image, aggregate.Keys[r]));
        if (!extra.empty())
            rows.back().Cells.push_back(std::move(extra[r]));
        keyOf(rows.back().Values, aggregate.Keys[r]);
        totals.Add(aggregate.RowSums[r]);
    }
    return Finish(table, labelTotal, std::move(rows), totals, order);
}

// Date tables: the row slot of each day from a first day on, so that a
// record finds its month or day row from its day number alone.
class DaySlots {
public:
    DaySlots(double firstDay, int days) : first_(firstDay), slots_(static_cast<std::size_t>(days), -1) {}

    void Assign(int fromOffset, int toOffset, int slot)
    {
        for (int k = std::max(fromOffset, 0); k < std::min(toOffset, static_cast<int>(slots_.size())); ++k)
            slots_[static_cast<std::size_t>(k)] = slot;
    }

    // The row of a record's calendar day, -1 for none.
    int operator()(const ConnectionRecord& r) const
    {
        const double offset = std::floor(r.DateTime) - first_;
        return offset >= 0 && offset < static_cast<double>(slots_.size()) ? slots_[static_cast<std::size_t>(offset)]
                                                                          : -1;
    }

private:
    double first_;
    std::vector<int> slots_;
};

// The row slot of every name-table index (-1 for none).
std::vector<int> NoSlots(const NameTable& names) { return std::vector<int>(static_cast<std::size_t>(names.Count()), -1); }

// The slot of an index, -1 past the table (only an inconsistent store holds one).
int SlotAt(const std::vector<int>& table, int index)
{
    return static_cast<std::uint32_t>(index) < table.size() ? table[static_cast<std::size_t>(index)] : -1;
}

// What a connection list's column shows of its record.
enum class Field : std::uint8_t { Date, Domain, User, Server, Port, Time, Sent, Received, Speed };

// The texts of a connection list, made when asked for from a row's values
// and name entries; the names and dates must outlive the table's rows.
CellMaker ConnectionCells(const NameTable& names, const DateTexts& dates, std::vector<Field> fields)
{
    return [&names, &dates, fields = std::move(fields)](const ReportRow& row, std::size_t column,
                                                        std::string& buffer) -> std::string_view {
        const int port = ParentAt(names, row.Speed);
        switch (fields[column]) {
        case Field::Date: return buffer = dates.FormatDateTime(row.Values.DateTime);
        case Field::Domain: return NameAt(names, ParentAt(names, ParentAt(names, port)));
        case Field::User: return NameAt(names, row.User);
        case Field::Server: return NameAt(names, ParentAt(names, port));
        case Field::Port: return NameAt(names, port);
        case Field::Time: return buffer = SecondsToText(row.Values.Seconds);
        case Field::Sent: return buffer = GroupDigits(",", row.Values.Sent);
        case Field::Received: return buffer = GroupDigits(",", row.Values.Received);
        case Field::Speed: return NameAt(names, row.Speed);
        }
        return {};
    };
}

// Connection lists: one row per kept record in store order, holding the
// record's values and sort keys, and their totals.
template <typename Keep>
SortError FillConnectionList(ReportTable& table, std::string& labelTotal, const TableSource& source, Keep keep,
                             std::vector<Field> fields, ColumnKind order)
{
    const NameTable& names = source.Data.Names;
    const ConnectionStore& store = source.Data.Connections;
    // Counted first, so that a million rows are not moved while the list grows.
    std::size_t count = 0;
    for (const ConnectionRecord& r : store)
        count += !r.Removed() && keep(r);
    std::vector<ReportRow> rows;
    rows.reserve(count);
    Sums totals;
    // Records in a row at the same moment share one reading of their date.
    double lastValue = 0;
    std::optional<std::int64_t> lastShown = source.Dates.ShownSeconds(lastValue);
    for (const ConnectionRecord& r : store) {
        if (r.Removed() || !keep(r))
            continue;
        if (r.DateTime != lastValue) {
            lastShown = source.Dates.ShownSeconds(r.DateTime);
            lastValue = r.DateTime;
        }
        ReportRow& row = rows.emplace_back();
        row.Image = ImageConnection;
        row.User = r.UserIndex;
        row.Speed = r.SpeedIndex;
        row.Values = {r.ActiveTime, r.BytesSent, r.BytesReceived, r.DateTime};
        row.Values.Shown = lastShown;
        // Reading a short name is cheaper than remembering its key.
        row.Values.Port = PortOrder(NameAt(names, ParentAt(names, r.SpeedIndex)));
        row.Values.Speed = SpeedOrder(NameAt(names, r.SpeedIndex));
        totals.Add(r);
    }
    const std::size_t cells = fields.size();
    return Finish(table, labelTotal, std::move(rows), totals, order,
                  ConnectionCells(names, source.Dates, std::move(fields)), cells);
}

// Aggregate rows that sort by their names' numbers, or by nothing beyond
// their sums.
auto PortKeys(const NameTable& names)
{
    return [&names](RowValues& v, int key) { v.Port = PortOrder(NameAt(names, key)); };
}
auto SpeedKeys(const NameTable& names)
{
    return [&names](RowValues& v, int key) { v.Speed = SpeedOrder(NameAt(names, key)); };
}
void NoKeys(RowValues&, int) {}

}  // namespace

SortError FillDomainTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int domain)
{
    const NameTable& names = source.Data.Names;
    Aggregate aggregate;
    std::vector<int> slotOf = NoSlots(names);
    if (const int d = EntryOf(names, domain, KindDomain); d >= 0) {
        for (int i = 0; i < names.Count(); ++i)
            if (names[i].Kind == KindUser && names[i].Parent == d)
                slotOf[static_cast<std::size_t>(i)] = aggregate.AddRow(names[i].Name, i);
        aggregate.Sum(source.Data.Connections, [&](const ConnectionRecord& r) { return SlotAt(slotOf, r.UserIndex); });
    }
    return FinishAggregate(table, labelTotal, aggregate, ImageUser, ColumnKind::Text, NoKeys);
}

SortError FillServerTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int server)
{
    const NameTable& names = source.Data.Names;
    Aggregate aggregate;
    if (const int s = EntryOf(names, server, KindServer); s >= 0) {
        std::vector<int> portSlot = NoSlots(names);
        for (int i = 0; i < names.Count(); ++i)
            if (names[i].Kind == KindPort && names[i].Parent == s)
                portSlot[static_cast<std::size_t>(i)] = aggregate.AddRow(names[i].Name, i);
        // A record counts for the port that is the parent of its speed entry.
        std::vector<int> slotOfSpeed = NoSlots(names);
        for (int i = 0; i < names.Count(); ++i)
            slotOfSpeed[static_cast<std::size_t>(i)] = SlotAt(portSlot, names[i].Parent);
        aggregate.Sum(source.Data.Connections,
                      [&](const ConnectionRecord& r) { return SlotAt(slotOfSpeed, r.SpeedIndex); });
    }
    return FinishAggregate(table, labelTotal, aggregate, ImagePort, ColumnKind::Port, PortKeys(names));
}

SortError FillPortTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int port)
{
    const NameTable& names = source.Data.Names;
    Aggregate aggregate;
    if (const int p = EntryOf(names, port, KindPort); p >= 0) {
        std::vector<int> slotOf = NoSlots(names);
        for (int i = 0; i < names.Count(); ++i)
            if (names[i].Kind == KindSpeed && names[i].Parent == p)
                slotOf[static_cast<std::size_t>(i)] = aggregate.AddRow(names[i].Name, i);
        aggregate.Sum(source.Data.Connections, [&](const ConnectionRecord& r) { return SlotAt(slotOf, r.SpeedIndex); });
    }
    return FinishAggregate(table, labelTotal, aggregate, ImageSpeed, ColumnKind::Speed, SpeedKeys(names));
}

SortError FillUserTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int user)
{
    const int u = EntryOf(source.Data.Names, user, KindUser);
    return FillConnectionList(
        table, labelTotal, source, [u](const ConnectionRecord& r) { return u >= 0 && r.UserIndex == u; },
        {Field::Date, Field::Server, Field::Port, Field::Time, Field::Sent, Field::Received, Field::Speed},
        ColumnKind::Month);
}

SortError FillSpeedTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int speed)
{
    const int sp = EntryOf(source.Data.Names, speed, KindSpeed);
    return FillConnectionList(
        table, labelTotal, source, [sp](const ConnectionRecord& r) { return sp >= 0 && r.SpeedIndex == sp; },
        {Field::Date, Field::User, Field::Time, Field::Sent, Field::Received}, ColumnKind::Month);
}

SortError FillYearTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int year)
{
    Aggregate aggregate;
    if (const std::optional<double> yearStart = EncodeDate(year, 1, 1)) {
        const CivilDate initial = DecodeDate(source.InitialDate);
        const CivilDate final = DecodeDate(source.FinalDate);
        const int firstMonth = initial.Year == year ? initial.Month : 1;
        const int lastMonth = final.Year == year ? final.Month : 12;
        DaySlots daySlots(*yearStart, IsLeapYear(year) ? 366 : 365);
        for (int m = firstMonth; m <= lastMonth; ++m) {
            const int slot = aggregate.AddRow(std::string(MonthNames[static_cast<std::size_t>(m)]), year * 100 + m);
            const int from = static_cast<int>(*EncodeDate(year, m, 1) - *yearStart);
            daySlots.Assign(from, from + DaysInMonth(year, m), slot);
        }
        aggregate.Sum(source.Data.Connections, daySlots);
    }
    return FinishAggregate(table, labelTotal, aggregate, ImageMonth, ColumnKind::Month, NoKeys);
}

SortError FillMonthTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int year, int month)
{
    Aggregate aggregate;
    std::vector<std::string> weekdays;
    if (const std::optional<double> monthStart = EncodeDate(year, month, 1)) {
        const CivilDate initial = DecodeDate(source.InitialDate);
        const CivilDate final = DecodeDate(source.FinalDate);
        const int firstDay = initial.Year == year && initial.Month == month ? initial.Day : 1;
        const int lastDay = final.Year == year && final.Month == month ? final.Day : DaysInMonth(year, month);
        DaySlots daySlots(*monthStart, DaysInMonth(year, month));
        for (int day = firstDay; day <= lastDay; ++day) {
            const double dayNumber = *monthStart + day - 1;
            daySlots.Assign(day - 1, day, aggregate.AddRow(std::to_string(day), static_cast<int>(dayNumber)));
            weekdays.emplace_back(DayNames[static_cast<std::size_t>(DayOfWeek(dayNumber))]);
        }
        aggregate.Sum(source.Data.Connections, daySlots);
    }
    return FinishAggregate(table, labelTotal, aggregate, ImageDay, ColumnKind::Day,
                           [](RowValues& v, int key) { v.Day = DecodeDate(key).Day; }, std::move(weekdays));
}

SortError FillDayTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int dayNumber)
{
    const auto dayValue = static_cast<double>(dayNumber);
    // Only days the calendar holds (the years 1 to 9999) have connections.
    const CivilDate date = DecodeDate(dayValue);
    const bool real = EncodeDate(date.Year, date.Month, date.Day) == dayValue;
    return FillConnectionList(
        table, labelTotal, source,
        [real, dayValue](const ConnectionRecord& r) { return real && std::floor(r.DateTime) == dayValue; },
        {Field::Date, Field::Domain, Field::User, Field::Server, Field::Port, Field::Time, Field::Sent,
         Field::Received, Field::Speed},
        ColumnKind::DateTime);
}

SortError FillNodeTable(ReportTable& table, std::string& labelTotal, const TableSource& source, const ReportNode& node)
{
    const int key = node.Key;
    switch (node.Image) {
    case ImageDomain: return FillDomainTable(table, labelTotal, source, key);
    case ImageUser: return FillUserTable(table, labelTotal, source, key);
    case ImageServer: return FillServerTable(table, labelTotal, source, key);
    case ImagePort: return FillPortTable(table, labelTotal, source, key);
    case ImageSpeed: return FillSpeedTable(table, labelTotal, source, key);
    case ImageYear: return FillYearTable(table, labelTotal, source, key);
    case ImageMonth: return FillMonthTable(table, labelTotal, source, key / 100, key % 100);
    case ImageDay: return FillDayTable(table, labelTotal, source, key);
    default: return std::nullopt;
    }
}

}  // namespace vy
