// Column-click sorts of a 1,000,000-row connection list (VY_BENCH_ROWS rows
// if set), one per rule. Each iteration sorts a fresh copy of the same unsorted
// table; the copy is not timed.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "reports/date_text.h"
#include "reports/list_sort.h"
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

// The user names a Text sort orders, as a connection list's name entries.
const std::vector<std::string>& UserNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        char buffer[32];
        for (int u = 0; u < 10000; ++u) {
            std::snprintf(buffer, sizeof buffer, "user%05d", u);
            n.emplace_back(buffer);
        }
        return n;
    }();
    return names;
}

// One row as a connection list holds it (values and name entries, no texts)
// with the value for a rule drawn from ranges like a big scan's: 10,000
// users, a few hundred ports, 5,000 speeds, a year of dates.
vy::ReportRow KeyRow(std::string_view rule, std::mt19937_64& random)
{
    auto between = [&random](long long low, long long high) {
        return std::uniform_int_distribution<long long>(low, high)(random);
    };
    vy::ReportRow row;
    vy::RowValues& v = row.Values;
    if (rule == "Text") {
        row.User = static_cast<std::int32_t>(between(0, 9999));
    } else if (rule == "Port") {
        char buffer[32];
        if (between(0, 1) == 0)
            std::snprintf(buffer, sizeof buffer, "COM%lld", between(1, 64));
        else
            std::snprintf(buffer, sizeof buffer, "VPN%lld-%lld", between(1, 9), between(0, 99));
        v.Port = vy::PortOrder(buffer);
    } else if (rule == "Speed") {
        v.Speed = vy::SpeedOrder(std::to_string(between(1, 5000) * 2400));
    } else if (rule == "Bytes") {
        v.Sent = between(0, 10'000'000'000LL);
    } else if (rule == "Time") {
        v.Seconds = between(0, 2'000'000);
    } else {
        v.DateTime = *vy::EncodeDate(2025, 1, 1) + static_cast<double>(between(0, 364)) +
                     static_cast<double>(between(0, 1439)) / 1440.0;
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
    // Only a Text sort reads cells; the others read the rows' values.
    table.MakeCell = [](const vy::ReportRow& row, std::size_t, std::string&) -> std::string_view {
        return row.User >= 0 ? std::string_view(UserNames()[static_cast<std::size_t>(row.User)]) : std::string_view();
    };
    table.MadeCells = 4;
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

// Four clicks on a connection list by date, server-like name, time and bytes
// sent, each descending as a first click on column 0 is: one by one (the
// rows moved at every sort, as the window does) or given at once (moved at
// the end, as vy-report does).
void FourClicks(benchmark::State& state, bool atOnce)
{
    vy::ReportTable original = MakeTable("Date");
    std::mt19937_64 random(7);
    for (vy::ReportRow& row : original.Rows) {
        row.User = static_cast<std::int32_t>(random() % 4);
        row.Values.Seconds = static_cast<std::int64_t>(random() % 20000);
        row.Values.Sent = static_cast<std::int64_t>(random() % 30'000'000);
    }
    using enum vy::ColumnKind;
    const std::vector<std::pair<int, vy::ColumnKind>> clicks = {{0, DateTime}, {1, Text}, {2, Duration}, {3, Sent}};
    for (auto _ : state) {
        state.PauseTiming();
        vy::ReportTable table = original;
        state.ResumeTiming();
        std::optional<vy::RowOrder> order;
        if (atOnce)
            order.emplace(table);
        for (const auto& [column, kind] : clicks)
            if (const vy::SortError error = order ? order->Sort(table, column, kind, 0)
                                                  : vy::SortList(table, column, kind, 0))
                state.SkipWithError(error->c_str());
        if (order)
            order->Place(table);
        benchmark::DoNotOptimize(table.Rows.data());
        state.PauseTiming();
        table = {};
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK_CAPTURE(FourClicks, OneByOne, false)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(FourClicks, AtOnce, true)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Text, "Text", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Port, "Port", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Speed, "Speed", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Bytes, "Bytes", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Time, "Time", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, Date, "Date", 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SortByRule, DateDescending, "Date", 0)->Unit(benchmark::kMillisecond)->Iterations(3);
