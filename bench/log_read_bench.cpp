// Reading a full log set: addon-log over the live file and six backups of just over 10 MiB each
// (70 MiB, 770 000 lines), as the sink leaves them after six rotations. Floor: cat over the same
// files in the same order, the bare reading and writing of the bytes. Both run as programs, so
// each time includes starting the program; both write into a file of the scratch folder (as
// when a log is saved for a report), and once more into /dev/null, which takes the bytes without
// copying them and so leaves only the reading to the floor. A second floor shows how much of
// that no reader of lines can save: only reading the files and finding each line end with
// memchr, in this process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "addon001/log/format.h"
#include "addon001/log/level.h"
#include "addon001/log/rolling_output_to_file.h"
#include "addon001/platform/child_process.h"
#include "module/module_loader.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// The set, written once: records like a drive host's, at every level, from three threads, their
// times rising by up to 40 ms; one in twenty with continuation lines, one in ten long.
const fs::path& logSet() {
    static const fs::path live = [] {
        const fs::path path = bench::scratchFile("read_bench.log");
        // 45 is a level without a text.
        const int levels[] = {Log::FAT, Log::ERR, Log::WAR, Log::INF, Log::INF,
                              Log::INF, Log::DBG, Log::DBG, Log::DB1, 45};
        const char* const words[] = {
            "drive", "pump",  "parameter", "answered", "value",  "speed",  "torque", "sensor",
            "read",  "write", "timeout",   "retry",    "config", "HX-140", "bus",    "node"};
        const unsigned threads[] = {3412, 3413, 5120};
        std::mt19937 random(1);
        const auto pick = [&random](std::uint32_t count) { return random() % count; };
        const auto sentence = [&](int length) {
            std::string text;
            for (int i = 0; i < length; ++i) {
                if (i > 0) text += ' ';
                text += words[pick(16)];
            }
            return text;
        };
        long time = 8L * 3600 * 1000;
        char header[Log::format::headerCapacity];
        for (int number = Log::RollingOutputToFile::backupCount; number >= 0; --number) {
            const fs::path file = Log::format::setFileName(path.string(), number);
            std::ofstream out(file, std::ios::binary);
            for (std::streamoff size = 0; size <= Log::RollingOutputToFile::maxSize;) {
                time += static_cast<long>(pick(41));
                const long day = time % (24L * 3600 * 1000);
                std::string line(header,
                                 Log::format::putMilliseconds(
                                     Log::format::putClock(header, static_cast<int>(day / 3600000),
                                                           static_cast<int>(day / 60000 % 60),
                                                           static_cast<int>(day / 1000 % 60)),
                                     static_cast<int>(day % 1000)));
                line += Log::format::fieldEnd;
                line += Log::levelName(levels[pick(10)]);
                line += Log::format::fieldEnd;
                line += std::to_string(threads[pick(3)]);
                line += Log::format::fieldEnd;
                line += sentence(pick(10) == 0 ? 30 + static_cast<int>(pick(31))
                                               : 3 + static_cast<int>(pick(12)));
                line += '\n';
                if (pick(20) == 0) {
                    for (std::uint32_t more = 1 + pick(3); more > 0; --more) {
                        line += "    at " + sentence(5) + "\n";
                    }
                }
                out << line;
                size += static_cast<std::streamoff>(line.size());
            }
        }
        return path;
    }();
    return live;
}

std::vector<std::string> setFilesOldestFirst() {
    std::vector<std::string> files;
    for (int number = Log::RollingOutputToFile::backupCount; number > 0; --number) {
        files.push_back(logSet().string() + "." + std::to_string(number));
    }
    files.push_back(logSet().string());
    return files;
}

fs::path catProgram() {
    for (const char* candidate : {"/usr/bin/cat", "/bin/cat"}) {
        if (fs::exists(candidate)) return candidate;
    }
    return {};
}

fs::path grepProgram() {
    for (const char* candidate : {"/usr/bin/grep", "/bin/grep"}) {
        if (fs::exists(candidate)) return candidate;
    }
    return {};
}

// grep's arguments for a search of the set's files: no file names before the lines.
std::vector<std::string> grepArguments(const std::vector<std::string>& options) {
    std::vector<std::string> arguments = options;
    arguments.insert(arguments.begin(), "-h");
    for (const std::string& file : setFilesOldestFirst()) arguments.push_back(file);
    return arguments;
}

void runEachIteration(benchmark::State& state, const fs::path& program,
                      const std::vector<std::string>& arguments, const fs::path& output) {
    if (program.empty() || !fs::exists(program)) {
        state.SkipWithError("program not found");
        return;
    }
    platform::ChildOptions options;
    options.output = output;
    for (auto _ : state) {
        const platform::ChildEnd end = platform::runChild(program, arguments, options);
        if (!end.exitedWith(0)) {
            state.SkipWithError(("the program " + end.description()).c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(7 * Log::RollingOutputToFile::maxSize));
}

fs::path ours() {
    return host::programDirectory() / "addon-log";
}

const fs::path toFile = bench::scratchFile("read_bench.out");
const fs::path toNull = "/dev/null";

void readOurs(benchmark::State& state) {
    runEachIteration(state, ours(), {logSet().string()}, toFile);
}

void readFloor(benchmark::State& state) {
    runEachIteration(state, catProgram(), setFilesOldestFirst(), toFile);
}

void readOursToNull(benchmark::State& state) {
    runEachIteration(state, ours(), {logSet().string()}, toNull);
}

void readFloorToNull(benchmark::State& state) {
    runEachIteration(state, catProgram(), setFilesOldestFirst(), toNull);
}

void readOursJson(benchmark::State& state) {
    runEachIteration(state, ours(), {logSet().string(), "--json"}, toFile);
}

void readOursFiltered(benchmark::State& state) {
    runEachIteration(state, ours(), {logSet().string(), "--level", "WAR", "--grep", "timeout"},
                     toFile);
}

// A search finds records (header and continuation lines), grep lines; both read every byte.
void grepOurs(benchmark::State& state) {
    runEachIteration(state, ours(), {logSet().string(), "--grep", "timeout"}, toFile);
}

void grepFloor(benchmark::State& state) {
    runEachIteration(state, grepProgram(), grepArguments({"timeout"}), toFile);
}

void regexOurs(benchmark::State& state) {
    runEachIteration(state, ours(), {logSet().string(), "--grep", "timeout.*HX-1", "--regex"},
                     toFile);
}

void regexFloor(benchmark::State& state) {
    runEachIteration(state, grepProgram(), grepArguments({"-E", "timeout.*HX-1"}), toFile);
}

void splitFloor(benchmark::State& state) {
    const std::vector<std::string> files = setFilesOldestFirst();
    std::vector<char> buffer(256 * 1024);
    long lines = 0;
    for (auto _ : state) {
        for (const std::string& file : files) {
            const int descriptor = open(file.c_str(), O_RDONLY);
            std::size_t kept = 0;
            ssize_t got;
            while ((got = read(descriptor, buffer.data() + kept, buffer.size() - kept)) > 0) {
                const char* line = buffer.data();
                const char* const end = line + kept + static_cast<std::size_t>(got);
                while (const auto* newline = static_cast<const char*>(
                           std::memchr(line, '\n', static_cast<std::size_t>(end - line)))) {
                    ++lines;
                    line = newline + 1;
                }
                kept = static_cast<std::size_t>(end - line);
                std::memmove(buffer.data(), line, kept);
            }
            close(descriptor);
        }
    }
    benchmark::DoNotOptimize(lines);
    if (lines == 0) state.SkipWithError("no lines read");
}

}  // namespace

BENCHMARK(splitFloor)->Name("log_set_split/floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(readOurs)->Name("log_set_read/ours")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(readFloor)->Name("log_set_read/floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(readOursToNull)
    ->Name("log_set_read_null/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(readFloorToNull)
    ->Name("log_set_read_null/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(readOursJson)
    ->Name("log_set_read_json/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(grepOurs)->Name("log_set_grep/ours")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(grepFloor)->Name("log_set_grep/floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(regexOurs)->Name("log_set_regex/ours")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(regexFloor)->Name("log_set_regex/floor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(readOursFiltered)
    ->Name("log_set_read_filtered/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
