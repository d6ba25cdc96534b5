// Parsing a list reply of 10,000 games, as the launcher does at each refresh.
#include "gamelist/protocol/game_list_reply.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::string Reply(int entries) {
    std::vector<gamelist::GameListEntry> list;
    for (int i = 0; i < entries; ++i) {
        gamelist::GameListEntry e;
        e.fields = {"10.0." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256),
                    "Player " + std::to_string(i),
                    "12:34",
                    "CDV",
                    "Bridge at Remagen",
                    "4vs4",
                    i % 3 ? "all welcome, experienced players only" : " ",
                    i % 2 ? "ww2" : "winter"};
        list.push_back(e);
    }
    return gamelist::BuildStrippedV2("198.51.100.7", "42", {"ww2", "winter", "desert", "other"}, list);
}

void ParseStrippedV2TenThousand(benchmark::State& state) {
    const std::string body = Reply(10000);
    for (auto _ : state) {
        auto reply = gamelist::ParseStrippedV2(body);
        benchmark::DoNotOptimize(reply);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(body.size()));
}
BENCHMARK(ParseStrippedV2TenThousand)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
