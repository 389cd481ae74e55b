// Column-click sorts of a 1,000,000-row report table (VY_BENCH_ROWS rows if
// set), one per rule. Each iteration sorts a fresh copy of the same unsorted
// table; the copy is not timed.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "reports/date_text.h"
#include "reports/list_sort.h"
#include "reports/value_format.h"
#include "store/date_value.h"

namespace {

const int kRows = std::getenv("VY_BENCH_ROWS") ? std::atoi(std::getenv("VY_BENCH_ROWS")) : 1'000'000;

const vy::DateTexts& Dates()
{
    static vy::DateTexts texts = [] {
        vy::DateTexts t(QLocale::c());
        t.StripSeconds();
        return t;
    }();
    return texts;
}

// One row with its key cell and value for a rule, drawn from value ranges
// like a big scan's: 10,000 users, a few hundred ports, 5,000 speeds, a year
// of dates.
vy::ReportRow KeyRow(std::string_view rule, std::mt19937_64& random)
{
    auto between = [&random](long long low, long long high) {
        return std::uniform_int_distribution<long long>(low, high)(random);
    };
    vy::ReportRow row{{"", "1:02:03", "1,234,567", "7,654,321"}, 2};
    std::string& cell = row.Cells[0];
    vy::RowValues& v = row.Values;
    char buffer[32];
    if (rule == "Text") {
        std::snprintf(buffer, sizeof buffer, "user%05lld", between(0, 9999));
        cell = buffer;
    } else if (rule == "Port") {
        if (between(0, 1) == 0)
            std::snprintf(buffer, sizeof buffer, "COM%lld", between(1, 64));
        else
            std::snprintf(buffer, sizeof buffer, "VPN%lld-%lld", between(1, 9), between(0, 99));
        cell = buffer;
        v.Port = vy::PortOrder(cell);
    } else if (rule == "Speed") {
        cell = std::to_string(between(1, 5000) * 2400);
        v.Speed = vy::SpeedOrder(cell);
    } else if (rule == "Bytes") {
        v.Sent = between(0, 10'000'000'000LL);
        cell = vy::GroupDigits(",", v.Sent);
    } else if (rule == "Time") {
        v.Seconds = between(0, 2'000'000);
        cell = vy::SecondsToText(v.Seconds);
    } else {
        v.DateTime = *vy::EncodeDate(2025, 1, 1) + static_cast<double>(between(0, 364)) +
                     static_cast<double>(between(0, 1439)) / 1440.0;
        cell = Dates().FormatDateTime(v.DateTime);
        v.Shown = Dates().ShownSeconds(v.DateTime);
    }
    return row;
}

vy::ColumnKind KindOf(std::string_view rule)
{
    using enum vy::ColumnKind;
    return rule == "Text" ? Text : rule == "Port" ? Port : rule == "Speed" ? Speed : rule == "Bytes" ? Sent
           : rule == "Time" ? Duration : DateTime;
}

vy::ReportTable MakeTable(std::string_view rule)
{
    std::mt19937_64 random(42);
    vy::ReportTable table;
    table.Rows.reserve(kRows);
    for (int r = 0; r < kRows; ++r)
        table.Rows.push_back(KeyRow(rule, random));
    return table;
}

void SortByRule(benchmark::State& state, std::string_view rule, std::uint8_t ascending)
{
    const vy::ReportTable original = MakeTable(rule);
    for (auto _ : state) {
        state.PauseTiming();
        vy::ReportTable table = original;
        state.ResumeTiming();
        const vy::SortError error = vy::SortList(table, 0, KindOf(rule), ascending);
        if (error)
            state.SkipWithError(error->c_str());
        benchmark::DoNotOptimize(table.Rows.data());
        state.PauseTiming();
        table = {};  // freeing the copy is not the sort's cost
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK_CAPTURE(SortByRule, Text, "Text", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Port, "Port", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Speed, "Speed", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Bytes, "Bytes", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Time, "Time", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Date, "Date", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, DateDescending, "Date", 0)->Unit(benchmark::kMillisecond)->Iterations(3);
