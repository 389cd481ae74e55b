// Name lookups on a full name table cost about what they cost on an empty one.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "store/stores.h"

namespace {

// A table of `users` user names under 100 domains, then lookups of existing
// names in a scattered order.
void FindOrAddNameExisting(benchmark::State& state)
{
    const int users = static_cast<int>(state.range(0));
    auto stores = std::make_unique<vy::Stores>();
    std::vector<int> domains;
    for (int d = 0; d < 100; ++d)
        domains.push_back(vy::FindOrAddName(*stores, vy::KindDomain, "DOMAIN" + std::to_string(d), 0, 0, 0));
    std::vector<std::pair<int, std::string>> names;
    for (int u = 0; u < users; ++u) {
        names.emplace_back(domains[static_cast<std::size_t>(u % 100)], "user.name." + std::to_string(u));
        vy::FindOrAddName(*stores, vy::KindUser, names.back().second, names.back().first, 0, 0);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [d, name] = names[i];
        benchmark::DoNotOptimize(vy::FindOrAddName(*stores, vy::KindUser, name, d, 0, 0));
        i = (i + 7919) % names.size();
    }
    state.counters["names"] = stores->Names.Count();
}
BENCHMARK(FindOrAddNameExisting)->Arg(100)->Arg(65000);

void ClearStores(benchmark::State& state)
{
    auto stores = std::make_unique<vy::Stores>();
    for (auto _ : state)
        vy::ClearStores(*stores);
}
BENCHMARK(ClearStores);

}  // namespace
