// An emitted record: composed, written and flushed, on one thread and on two threads writing
// at once. Peer: spdlog's rotating file sink (multi-threaded variant) with the same size limit
// and backup count, flushed after every message, with a line of the same shape and length.
// Floor: one write(2) of a ready line of that length per record, to a file opened for append.
// Times are wall-clock per record over all threads.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <unistd.h>

#include <cstdint>
#include <memory>

#include "addon001/log/log_statement.h"
#include "addon001/platform/wide_path_file.h"
#include "sample_record.h"
#include "scratch_folder.h"

namespace {

void recordOurs(benchmark::State& state) {
    if (state.thread_index() == 0) {
        Log::RollingOutputToFile::close();
        Log::RollingOutputToFile::open(
            platform::widenPath(bench::scratchFile("ours.log").string()));
        if (!Log::RollingOutputToFile::isEnabled()) state.SkipWithError("cannot open the log");
    }
    std::int64_t sequence = 0;
    for (auto _ : state) {
        const int parameter = bench::sampleParameter(sequence++);
        LOG_AT(Log::INF) << "Drive " << bench::sampleDrive << " answered parameter " << parameter
                         << " in " << bench::sampleElapsedMs << " ms";
    }
    if (state.thread_index() == 0) {
        if (!Log::RollingOutputToFile::isEnabled()) state.SkipWithError("the log file failed");
        Log::RollingOutputToFile::close();
    }
}

std::shared_ptr<spdlog::logger> peerLogger;

void recordPeer(benchmark::State& state) {
    if (state.thread_index() == 0) {
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
            bench::scratchFile("peer.log").string(), Log::RollingOutputToFile::maxSize,
            Log::RollingOutputToFile::backupCount);
        peerLogger = std::make_shared<spdlog::logger>("record", sink);
        peerLogger->set_pattern(bench::peerPattern);
        peerLogger->flush_on(spdlog::level::trace);
    }
    std::int64_t sequence = 0;
    for (auto _ : state) {
        const int parameter = bench::sampleParameter(sequence++);
        peerLogger->info("Drive {} answered parameter {} in {} ms", bench::sampleDrive, parameter,
                         bench::sampleElapsedMs);
    }
    if (state.thread_index() == 0) peerLogger.reset();
}

int floorFile = -1;

void recordFloor(benchmark::State& state) {
    if (state.thread_index() == 0) {
        floorFile = open(bench::scratchFile("floor.log").c_str(),
                         O_WRONLY | O_CREAT | O_APPEND | O_TRUNC, 0644);
        if (floorFile < 0) state.SkipWithError("cannot open the floor's file");
    }
    const std::string line = bench::sampleLine(bench::sampleParameter(0));
    for (auto _ : state) {
        if (write(floorFile, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            state.SkipWithError("write failed");
            break;
        }
    }
    if (state.thread_index() == 0) close(floorFile);
}

}  // namespace

BENCHMARK(recordOurs)->Name("record_1t/ours")->UseRealTime();
BENCHMARK(recordPeer)->Name("record_1t/peer")->UseRealTime();
BENCHMARK(recordFloor)->Name("record_1t/floor")->UseRealTime();
BENCHMARK(recordOurs)->Name("record_2t/ours")->Threads(2)->UseRealTime();
BENCHMARK(recordPeer)->Name("record_2t/peer")->Threads(2)->UseRealTime();
BENCHMARK(recordFloor)->Name("record_2t/floor")->Threads(2)->UseRealTime();
