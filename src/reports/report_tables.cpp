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
                 ColumnKind order)
{
    table.Rows = std::move(rows);
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

// Connection lists: the rows in store order and their totals. Records in a
// row at the same moment share one formatting of their date.
class ConnectionRows {
public:
    explicit ConnectionRows(const DateTexts& dates) : dates_(dates) {}

    // Fills the rows of the records that are kept, in store order; counted
    // first, so that a million rows are not moved while the list grows.
    template <typename Keep, typename Fill>
    void Build(const ConnectionStore& store, Keep keep, Fill fill)
    {
        std::size_t count = 0;
        for (const ConnectionRecord& r : store)
            count += !r.Removed() && keep(r);
        Rows.reserve(count);
        for (const ConnectionRecord& r : store)
            if (!r.Removed() && keep(r))
                fill(r);
    }

    // Starts the row of a record: its Date cell, its values and the keys
    // of its port and speed.
    ReportRow& Add(const NameTable& names, const ConnectionRecord& r, int port, std::size_t cells)
    {
        if (!haveLast_ || r.DateTime != lastValue_) {
            lastText_ = dates_.FormatDateTime(r.DateTime, &lastShown_);
            lastValue_ = r.DateTime;
            haveLast_ = true;
        }
        ReportRow& row = Rows.emplace_back();
        row.Cells.reserve(cells);
        row.Cells.push_back(lastText_);
        row.Values = {r.ActiveTime, r.BytesSent, r.BytesReceived, r.DateTime};
        row.Values.Shown = lastShown_;
        // Reading a short name is cheaper than remembering its key.
        row.Values.Port = PortOrder(NameAt(names, port));
        row.Values.Speed = SpeedOrder(NameAt(names, r.SpeedIndex));
        Totals.Add(r);
        return row;
    }

    std::vector<ReportRow> Rows;
    Sums Totals;

private:
    const DateTexts& dates_;
    bool haveLast_ = false;
    double lastValue_ = 0;
    std::string lastText_;
    std::optional<std::int64_t> lastShown_;
};

void AppendRecordValues(ReportRow& row, const ConnectionRecord& r)
{
    row.Cells.push_back(SecondsToText(r.ActiveTime));
    row.Cells.push_back(GroupDigits(",", r.BytesSent));
    row.Cells.push_back(GroupDigits(",", r.BytesReceived));
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
    const NameTable& names = source.Data.Names;
    ConnectionRows list(source.Dates);
    if (const int u = EntryOf(names, user, KindUser); u >= 0) {
        list.Build(source.Data.Connections, [u](const ConnectionRecord& r) { return r.UserIndex == u; },
                   [&](const ConnectionRecord& r) {
            const int port = ParentAt(names, r.SpeedIndex);
            const int server = ParentAt(names, port);
            ReportRow& row = list.Add(names, r, port, 7);
            row.Cells.push_back(NameAt(names, server));
            row.Cells.push_back(NameAt(names, port));
            AppendRecordValues(row, r);
            row.Cells.push_back(NameAt(names, r.SpeedIndex));
        });
    }
    return Finish(table, labelTotal, std::move(list.Rows), list.Totals, ColumnKind::Month);
}

SortError FillSpeedTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int speed)
{
    const NameTable& names = source.Data.Names;
    ConnectionRows list(source.Dates);
    if (const int sp = EntryOf(names, speed, KindSpeed); sp >= 0) {
        list.Build(source.Data.Connections, [sp](const ConnectionRecord& r) { return r.SpeedIndex == sp; },
                   [&](const ConnectionRecord& r) {
            ReportRow& row = list.Add(names, r, ParentAt(names, r.SpeedIndex), 5);
            row.Cells.push_back(NameAt(names, r.UserIndex));
            AppendRecordValues(row, r);
        });
    }
    return Finish(table, labelTotal, std::move(list.Rows), list.Totals, ColumnKind::Month);
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
    const NameTable& names = source.Data.Names;
    ConnectionRows list(source.Dates);
    const auto dayValue = static_cast<double>(dayNumber);
    // Only days the calendar holds (the years 1 to 9999) have connections.
    const CivilDate date = DecodeDate(dayValue);
    if (EncodeDate(date.Year, date.Month, date.Day) == dayValue) {
        list.Build(source.Data.Connections,
                   [dayValue](const ConnectionRecord& r) { return std::floor(r.DateTime) == dayValue; },
                   [&](const ConnectionRecord& r) {
            const int port = ParentAt(names, r.SpeedIndex);
            const int server = ParentAt(names, port);
            const int domain = ParentAt(names, server);
            ReportRow& row = list.Add(names, r, port, 9);
            row.Cells.push_back(NameAt(names, domain));
            row.Cells.push_back(NameAt(names, r.UserIndex));
            row.Cells.push_back(NameAt(names, server));
            row.Cells.push_back(NameAt(names, port));
            AppendRecordValues(row, r);
            row.Cells.push_back(NameAt(names, r.SpeedIndex));
        });
    }
    return Finish(table, labelTotal, std::move(list.Rows), list.Totals, ColumnKind::DateTime);
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
