// Report building on a store of 1,000,000 records (VY_BENCH_ROWS if set),
// 10,000 users and 5,000 speeds. Aggregate tables and the Users tree must stay well under 0.2 s, the
// connection list of a user holding 100,000 records under 0.5 s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "reports/date_text.h"
#include "reports/report_tables.h"
#include "reports/report_tree_builder.h"
#include "store/date_value.h"

namespace {

constexpr int kDomains = 10;
constexpr int kUsersPerDomain = 1000;     // 10,000 users
constexpr int kServersPerDomain = 5;
constexpr int kPortsPerServer = 10;
constexpr int kSpeedsPerPort = 10;        // 5,000 speeds
const int kRecords = std::getenv("VY_BENCH_ROWS") ? std::atoi(std::getenv("VY_BENCH_ROWS")) : 1000000;
const int kHeavyUserRecords = kRecords / 10;  // all of user0 in DOMAIN0

struct Fixture {
    std::unique_ptr<vy::Stores> stores = std::make_unique<vy::Stores>();
    vy::DateTexts dates{QLocale::c()};
    double initial = vy::EncodeDate(1998, 10, 1).value();
    double final = vy::EncodeDate(1998, 10, 31).value();
    vy::ReportTree dateTree;

    Fixture()
    {
        dates.StripSeconds();
        auto& s = *stores;
        std::vector<int> users;
        std::vector<int> speeds;
        for (int d = 0; d < kDomains; ++d) {
            const int dom = vy::FindOrAddName(s, vy::KindDomain, "DOMAIN" + std::to_string(d), 0, 0, 0);
            for (int u = 0; u < kUsersPerDomain; ++u)
                users.push_back(vy::FindOrAddName(s, vy::KindUser, "user" + std::to_string((u * 7919) % kUsersPerDomain), dom, 0, 0));
            for (int sv = 0; sv < kServersPerDomain; ++sv) {
                const int server = vy::FindOrAddName(s, vy::KindServer, "SRV" + std::to_string(sv), dom, 0, 0);
                for (int p = 0; p < kPortsPerServer; ++p) {
                    const int port = vy::FindOrAddName(s, vy::KindPort, "COM" + std::to_string(kPortsPerServer - p), dom, server, 0);
                    for (int k = 0; k < kSpeedsPerPort; ++k)
                        speeds.push_back(vy::FindOrAddName(s, vy::KindSpeed, std::to_string(9600 * (kSpeedsPerPort - k)), dom, server, port));
                }
            }
        }
        const int speedsPerDomain = kServersPerDomain * kPortsPerServer * kSpeedsPerPort;
        std::uint64_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            return static_cast<int>(seed >> 33);
        };
        for (int i = 0; i < kRecords; ++i) {
            const int d = i < kHeavyUserRecords ? 0 : next() % kDomains;
            const int u = i < kHeavyUserRecords ? 0 : next() % kUsersPerDomain;
            vy::ConnectionRecord r;
            r.UserIndex = users[static_cast<std::size_t>(d * kUsersPerDomain + u)];
            r.SpeedIndex = speeds[static_cast<std::size_t>(d * speedsPerDomain + next() % speedsPerDomain)];
            r.DateTime = initial + (next() % (31 * 1440)) / 1440.0;
            r.ActiveTime = next() % 7200;
            r.BytesSent = next() % 5000000;
            r.BytesReceived = next() % 5000000;
            s.Connections.Append(r);
        }
        vy::ReportTable scratch;
        vy::BuildDateTree(dateTree, scratch, s, initial, final);
        domain0 = s.Names.Find(vy::KindDomain, "DOMAIN0", 0, 0, 0);
        user0 = s.Names.Find(vy::KindUser, "user0", domain0, 0, 0);
        server0 = s.Names.Find(vy::KindServer, "SRV0", domain0, 0, 0);
        port1 = s.Names.Find(vy::KindPort, "COM1", domain0, server0, 0);
        speed9600 = s.Names.Find(vy::KindSpeed, "9600", domain0, server0, port1);
    }

    // DOMAIN0, its user0, SRV0, SRV0's COM1 and that port's 9600.
    int domain0 = -1, user0 = -1, server0 = -1, port1 = -1, speed9600 = -1;

    vy::TableSource Source() const { return vy::TableSource{*stores, dates, initial, final}; }
    int DateNode(int month, int day) const
    {
        int node = dateTree.FirstRoot();
        node = dateTree.Node(node).Children[static_cast<std::size_t>(month)];
        return day < 0 ? node : dateTree.Node(node).Children[static_cast<std::size_t>(day)];
    }
};

Fixture& Data()
{
    static Fixture* fixture = new Fixture;
    return *fixture;
}

void Report(benchmark::State& state, const vy::ReportTable& table)
{
    state.counters["rows"] = static_cast<double>(table.Rows.size());
}

void DomainTable(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTable table;
    std::string label;
    for (auto _ : state)
        vy::FillDomainTable(table, label, f.Source(), f.domain0);
    Report(state, table);
}
BENCHMARK(DomainTable)->Unit(benchmark::kMillisecond);

void ServerTable(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTable table;
    std::string label;
    for (auto _ : state)
        vy::FillServerTable(table, label, f.Source(), f.server0);
    Report(state, table);
}
BENCHMARK(ServerTable)->Unit(benchmark::kMillisecond);

void PortTable(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTable table;
    std::string label;
    for (auto _ : state)
        vy::FillPortTable(table, label, f.Source(), f.port1);
    Report(state, table);
}
BENCHMARK(PortTable)->Unit(benchmark::kMillisecond);

void YearTable(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTable table;
    std::string label;
    for (auto _ : state)
        vy::FillNodeTable(table, label, f.Source(), f.dateTree.Node(f.dateTree.FirstRoot()));
    Report(state, table);
}
BENCHMARK(YearTable)->Unit(benchmark::kMillisecond);

void MonthTable(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTable table;
    std::string label;
    const int node = f.DateNode(0, -1);
    for (auto _ : state)
        vy::FillNodeTable(table, label, f.Source(), f.dateTree.Node(node));
    Report(state, table);
}
BENCHMARK(MonthTable)->Unit(benchmark::kMillisecond);

void UserConnectionList(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTable table;
    std::string label;
    for (auto _ : state)
        vy::FillUserTable(table, label, f.Source(), f.user0);
    Report(state, table);
}
BENCHMARK(UserConnectionList)->Unit(benchmark::kMillisecond);

void SpeedConnectionList(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTable table;
    std::string label;
    for (auto _ : state)
        vy::FillSpeedTable(table, label, f.Source(), f.speed9600);
    Report(state, table);
}
BENCHMARK(SpeedConnectionList)->Unit(benchmark::kMillisecond);

// About 32,000 connections of one day, sorted by their Date cells.
void DayConnectionList(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTable table;
    std::string label;
    const int node = f.DateNode(0, 14);
    for (auto _ : state)
        vy::FillNodeTable(table, label, f.Source(), f.dateTree.Node(node));
    Report(state, table);
}
BENCHMARK(DayConnectionList)->Unit(benchmark::kMillisecond);

void UsersTree(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTree tree;
    vy::ReportTable table;
    for (auto _ : state)
        vy::BuildUsersTree(tree, table, *f.stores, false);
    state.counters["nodes"] = tree.Count();
}
BENCHMARK(UsersTree)->Unit(benchmark::kMillisecond);

void DateTreeOfAYear(benchmark::State& state)
{
    auto& f = Data();
    vy::ReportTree tree;
    vy::ReportTable table;
    for (auto _ : state)
        vy::BuildDateTree(tree, table, *f.stores, f.initial, f.initial + 365);
    state.counters["nodes"] = tree.Count();
}
BENCHMARK(DateTreeOfAYear)->Unit(benchmark::kMillisecond);

}  // namespace
