// A program that the log tests start as a child process.
//
//   log_child log LIVE JOURNALS
//     Opens the log file LIVE and logs numbered records (numbered_record.h) from four threads
//     until it is killed. After each logging statement has returned, its thread appends the
//     record's sequence number to its journal JOURNALS/writer-N, so that the test knows which
//     records must have reached the log file.
//
//   log_child write LIVE WRITER QUOTA PAUSE_MS STOP
//     Opens the log file LIVE and logs the numbered records of writer WRITER from one thread,
//     PAUSE_MS milliseconds apart (0: as fast as it can). Once QUOTA records are written it
//     makes the file STOP.WRITER.done and goes on until the file STOP exists, then logs one more,
//     closes the log file and writes the number of records logged to STOP.WRITER.count. So all
//     writers stop together, once the slowest has written its quota, whatever the scheduling.
//
//   log_child hold REPORT RELEASE
//     Writes the files that its open descriptors name, one per line, to REPORT (where the
//     system lists them, in /proc/self/fd; elsewhere REPORT stays empty), then waits until
//     RELEASE exists, at most a minute, and exits.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "addon001/log/log_statement.h"
#include "addon001/platform/wide_path_file.h"
#include "numbered_record.h"

namespace fs = std::filesystem;

namespace {

constexpr int writers = 4;

[[noreturn]] void logUntilKilled(const std::string& live, const fs::path& journals) {
    Log::RollingOutputToFile::open(platform::widenPath(live));
    if (!Log::RollingOutputToFile::isEnabled()) {
        std::cerr << "log_child: cannot open " << live << '\n';
        std::exit(2);
    }
    std::vector<std::thread> threads;
    for (int writer = 0; writer < writers; ++writer) {
        threads.emplace_back([writer, journals] {
            std::ofstream journal(journals / ("writer-" + std::to_string(writer)));
            for (long sequence = 0;; ++sequence) {
                LOG_AT(Log::INF) << logtest::numberedMessage(writer, sequence);
                journal << sequence << '\n' << std::flush;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::exit(0);
}

// Makes `name` appear whole: written under another name first, then renamed.
void publish(const fs::path& name, long value) {
    const fs::path part = name.string() + ".part";
    std::ofstream(part) << value << '\n';
    fs::rename(part, name);
}

int writeUntilStopped(const std::string& live, int writer, long quota, long pauseMs,
                      const std::string& stop) {
    Log::RollingOutputToFile::open(platform::widenPath(live));
    if (!Log::RollingOutputToFile::isEnabled()) {
        std::cerr << "log_child: cannot open " << live << '\n';
        return 2;
    }
    const std::string mine = stop + "." + std::to_string(writer);
    long sequence = 0;
    for (bool stopped = false; !stopped; ++sequence) {
        if (sequence == quota) publish(mine + ".done", quota);
        if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        stopped = sequence >= quota && fs::exists(stop);
        LOG_AT(Log::INF) << logtest::numberedMessage(writer, sequence);
    }
    Log::RollingOutputToFile::close();
    publish(mine + ".count", sequence);
    return 0;
}

int holdUntilReleased(const fs::path& report, const fs::path& release) {
    const fs::path part = report.string() + ".part";
    {
        std::ofstream out(part);
        std::error_code error;
        for (fs::directory_iterator entry("/proc/self/fd", error), end; !error && entry != end;
             entry.increment(error)) {
            std::error_code unreadable;
            const fs::path target = fs::read_symlink(entry->path(), unreadable);
            if (!unreadable) out << target.string() << '\n';
        }
    }
    fs::rename(part, report);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!fs::exists(release) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 3 && arguments[0] == "log") logUntilKilled(arguments[1], arguments[2]);
    if (arguments.size() == 6 && arguments[0] == "write") {
        return writeUntilStopped(arguments[1], std::stoi(arguments[2]), std::stol(arguments[3]),
                                 std::stol(arguments[4]), arguments[5]);
    }
    if (arguments.size() == 3 && arguments[0] == "hold") {
        return holdUntilReleased(arguments[1], arguments[2]);
    }
    std::cerr
        << "usage: log_child log LIVE JOURNALS | log_child write LIVE WRITER QUOTA PAUSE_MS STOP | "
           "log_child hold REPORT RELEASE\n";
    return 1;
}
