#pragma once
// The eight report tables: for one tree node, the sums per child (domain,
// server, port, year, month) or one row per connection (user, speed, day),
// always computed afresh from the stores, followed by the totals line.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "reports/list_sort.h"
#include "reports/report_table.h"
#include "reports/report_tree.h"
#include "store/stores.h"

namespace vy {

class DateTexts;

// Weekday names indexed 1..7, 1 being Sunday ([0] is empty).
extern const std::array<std::string_view, 8> DayNames;

// "Total:    Time: H:MM:SS   Send: n   Receive: n"; the blanks are part of
// the format (the HTML writer splits the line at them).
std::string TotalsLine(std::int64_t time, std::int64_t sent, std::int64_t received);

// What every builder reads besides its node.
struct TableSource {
    const Stores& Data;
    const DateTexts& Dates;  // the Date cells and the moments they show
    double InitialDate = 0;  // the last scan's date range, whole days
    double FinalDate = 0;
};

// Each builder replaces the table's rows (never its columns), sets
// labelTotal to the totals line and, where the table is sorted after
// filling, returns the sort's error if a key could not be read. The users'
// builders take name-table indices; an index of no entry of the kind gives
// a table without rows, as does a date that does not exist.
SortError FillDomainTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int domain);
SortError FillUserTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int user);
SortError FillServerTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int server);
SortError FillPortTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int port);
SortError FillSpeedTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int speed);
SortError FillYearTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int year);
SortError FillMonthTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int year, int month);
SortError FillDayTable(ReportTable& table, std::string& labelTotal, const TableSource& source, int dayNumber);

// The table of a tree node, by its image and key; a node of another image
// leaves the table as it is.
SortError FillNodeTable(ReportTable& table, std::string& labelTotal, const TableSource& source,
                        const ReportNode& node);

}  // namespace vy
