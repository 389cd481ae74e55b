#include <cstdint>

#include <gtest/gtest.h>

#include "export/export_fixtures.h"
#include "export/report_writers.h"

namespace vy {
namespace {

using testing::TableOf;

// Values come from the row's numbers where the column holds them, from the
// cells otherwise; a short row shows its missing cells empty, a Date cell
// left empty (no date text for the value) stays empty.
TEST(DataReports, ValuesShortRowsAndEmptyDates)
{
    using enum ColumnKind;
    ReportTable table = TableOf({"Date", "User", "Time", "Speed"}, {{"", "x"}, {"d", "y", "t", "0288"}}, 0,
                                {DateTime, Text, Duration, Speed});
    table.Rows[0].Values = {5, 0, 0, 36073.5};
    table.Rows[1].Values = {-1, 0, 0, 36073.75};
    table.Rows[1].Values.Shown = std::int64_t{36073} * 86400 + 18 * 3600;  // only a date with a text is written
    table.Totals = {4, 1, 2, 0};
    EXPECT_EQ(CsvReport(table), "Date,User,Time,Speed\r\n,x,5,\r\n1998-10-05T18:00,y,-1,0288\r\n");
    EXPECT_EQ(JsonReport(table, {"N", "users"}),
              "{\"node\":\"N\",\"view\":\"users\",\"columns\":[\"Date\",\"User\",\"Time\",\"Speed\"],\"rows\":[\r\n"
              "[\"\",\"x\",5,\"\"],\r\n[\"1998-10-05T18:00\",\"y\",-1,\"0288\"]],"
              "\"totals\":{\"seconds\":4,\"sent\":1,\"received\":2}}\r\n");
}

TEST(DataReports, TableWithoutColumns)
{
    ReportTable table = TableOf({}, {{"a"}});
    EXPECT_EQ(CsvReport(table), "");
    EXPECT_EQ(JsonReport(table, {"\x1b\x9b", "date"}),  // C0 and C1 escaped: neither steers a terminal
              "{\"node\":\"\\u001b\\u009b\",\"view\":\"date\",\"columns\":[],\"rows\":[],"
              "\"totals\":{\"seconds\":0,\"sent\":0,\"received\":0}}\r\n");
}

}  // namespace
}  // namespace vy
