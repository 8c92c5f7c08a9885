// A logging statement that stops at its guard, against an spdlog call that its logger's level
// filters out. The level is read from a variable the compiler cannot see through, so the
// threshold test really runs (with a constant level above the threshold the whole statement
// compiles away). The message increments a counter: if it was ever evaluated, the benchmark
// reports an error instead of a time.
#include <benchmark/benchmark.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/null_sink.h>

#include <memory>

#include "addon001/log/log_statement.h"

namespace {

void guardedStatement(benchmark::State& state, int level) {
    // Nothing in this benchmark opens the sink; another benchmark may have left it open.
    Log::RollingOutputToFile::close();
    int evaluated = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(level);
        LOG_AT(level) << "Drive " << ++evaluated << " answered";
        benchmark::DoNotOptimize(evaluated);
    }
    if (evaluated != 0) state.SkipWithError("the statement evaluated its message");
}

// The sink is closed: the level passes the threshold, the sink's enabled test stops it.
void guardSinkClosedOurs(benchmark::State& state) {
    guardedStatement(state, Log::INF);
}

// The level is above the threshold: the statement stops at the level test.
void guardLevelFilteredOurs(benchmark::State& state) {
    guardedStatement(state, Log::levelThreshold + 1);
}

// spdlog evaluates its arguments before the call, so the peer gets a ready value; its level
// test is inside the call.
void guardPeer(benchmark::State& state) {
    spdlog::logger logger("guard", std::make_shared<spdlog::sinks::null_sink_mt>());
    logger.set_level(spdlog::level::warn);
    int value = 1234;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        logger.info("Drive {} answered", value);
    }
}

// The benchmark loop with the same variable kept alive and nothing else.
void guardFloor(benchmark::State& state) {
    int level = Log::INF;
    for (auto _ : state) {
        benchmark::DoNotOptimize(level);
    }
}

}  // namespace

BENCHMARK(guardSinkClosedOurs)->Name("guard_sink_closed/ours");
BENCHMARK(guardLevelFilteredOurs)->Name("guard_level_filtered/ours");
BENCHMARK(guardPeer)->Name("guard/peer");
BENCHMARK(guardFloor)->Name("guard/floor");
