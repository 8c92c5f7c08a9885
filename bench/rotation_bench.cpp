// One rotation: a record that takes the live file past its size limit, written and rolled
// over into the backups. Before each measured record (outside the timing) the live file is
// brought to exactly the limit, so every record rotates; after a few rounds all six backups
// exist, so each rotation shifts all of them. Peer: spdlog's rotating file sink, whose
// rotation is triggered the same way. Floor: the bare system calls of the rotation (write the
// line, close, remove the oldest backup, rename the others and the live file, create it anew).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "addon001/log/log_statement.h"
#include "addon001/platform/wide_path_file.h"
#include "sample_record.h"
#include "scratch_folder.h"

namespace {

constexpr auto maxSize = static_cast<std::uintmax_t>(Log::RollingOutputToFile::maxSize);
constexpr int backupCount = Log::RollingOutputToFile::backupCount;

// Brings the file to exactly the size limit (sparse, so this costs no writing).
void fillToLimit(const std::filesystem::path& file) {
    if (!std::filesystem::exists(file)) std::ofstream(file).close();
    std::filesystem::resize_file(file, maxSize);
}

std::string backupName(const std::filesystem::path& live, int number) {
    return live.string() + "." + std::to_string(number);
}

void rotationOurs(benchmark::State& state) {
    const std::filesystem::path live = bench::scratchFile("ours_rotation.log");
    const std::wstring livePath = platform::widenPath(live.string());
    for (auto _ : state) {
        state.PauseTiming();
        Log::RollingOutputToFile::close();
        fillToLimit(live);
        Log::RollingOutputToFile::open(livePath);
        state.ResumeTiming();
        LOG_AT(Log::INF) << "Drive " << bench::sampleDrive << " answered parameter " << 1234
                         << " in " << bench::sampleElapsedMs << " ms";
    }
    // A rotation leaves an empty live file and the full one as backup 1.
    if (!Log::RollingOutputToFile::isEnabled() || std::filesystem::file_size(live) != 0 ||
        std::filesystem::file_size(backupName(live, 1)) <= maxSize) {
        state.SkipWithError("the record did not rotate the log file");
    }
    Log::RollingOutputToFile::close();
}

void rotationPeer(benchmark::State& state) {
    const std::filesystem::path live = bench::scratchFile("peer_rotation.log");
    std::shared_ptr<spdlog::logger> logger;
    for (auto _ : state) {
        state.PauseTiming();
        logger.reset();
        fillToLimit(live);
        logger = std::make_shared<spdlog::logger>(
            "rotation", std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
                            live.string(), maxSize, backupCount));
        logger->set_pattern(bench::peerPattern);
        logger->flush_on(spdlog::level::trace);
        state.ResumeTiming();
        logger->info("Drive {} answered parameter {} in {} ms", bench::sampleDrive, 1234,
                     bench::sampleElapsedMs);
    }
}

void rotationFloor(benchmark::State& state) {
    const std::filesystem::path live = bench::scratchFile("floor_rotation.log");
    std::vector<std::string> backups(backupCount + 1);
    for (int number = 1; number <= backupCount; ++number)
        backups[number] = backupName(live, number);
    const std::string line = bench::sampleLine(1234);
    int file = -1;
    for (auto _ : state) {
        state.PauseTiming();
        if (file >= 0) close(file);
        fillToLimit(live);
        file = open(live.c_str(), O_WRONLY | O_APPEND);
        state.ResumeTiming();
        if (write(file, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            state.SkipWithError("write failed");
            break;
        }
        close(file);
        unlink(backups[backupCount].c_str());
        for (int number = backupCount - 1; number >= 1; --number) {
            std::rename(backups[number].c_str(), backups[number + 1].c_str());
        }
        std::rename(live.c_str(), backups[1].c_str());
        file = open(live.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    if (file >= 0) close(file);
}

// A record while the rotation keeps failing: backups 1 to 5 exist and a folder is named like
// backup 6, so no rotation can make room, and the live file is past the limit. Retrying the
// whole rotation for every such record would cost several records' time each; the sink tries
// again only after the file has grown by a gap that doubles with each failure. Set against a
// normal record (record_1t/ours), whose target is at most 1.5 times. The live file starts at
// the limit, and the fixed number of records (about 20 MB) keeps it below the size at which
// the sink would drop its content (four times the limit), so that every record is measured
// under the failure.
void recordRotationFailingOurs(benchmark::State& state) {
    const std::filesystem::path live = bench::scratchFile("ours_blocked.log");
    for (int number = 1; number < backupCount; ++number) {
        std::ofstream(backupName(live, number)) << "backup " << number << "\n";
    }
    const std::filesystem::path blocking = backupName(live, backupCount);
    std::filesystem::create_directories(blocking / "occupied");
    Log::RollingOutputToFile::close();
    fillToLimit(live);
    Log::RollingOutputToFile::open(platform::widenPath(live.string()));
    std::int64_t sequence = 0;
    for (auto _ : state) {
        const int parameter = bench::sampleParameter(sequence++);
        LOG_AT(Log::INF) << "Drive " << bench::sampleDrive << " answered parameter " << parameter
                         << " in " << bench::sampleElapsedMs << " ms";
    }
    // Every record was written into the live file, which never rotated.
    const auto size = std::filesystem::file_size(live);
    if (!Log::RollingOutputToFile::isEnabled() || size <= maxSize || size >= 4 * maxSize ||
        !std::filesystem::is_directory(blocking)) {
        state.SkipWithError("the rotation did not keep failing below the cap");
    }
    Log::RollingOutputToFile::close();
}

}  // namespace

BENCHMARK(recordRotationFailingOurs)
    ->Name("record_rotation_failing/ours")
    ->Iterations(200000)
    ->UseRealTime();
BENCHMARK(rotationOurs)->Name("rotation/ours")->UseRealTime();
BENCHMARK(rotationPeer)->Name("rotation/peer")->UseRealTime();
BENCHMARK(rotationFloor)->Name("rotation/floor")->UseRealTime();
