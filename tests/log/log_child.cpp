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
//     PAUSE_MS milliseconds apart (0: as fast as it can), until stopped with the other writers
//     (stoppable_writer.h), then closes it.
//
//   log_child hold-lock LOCKFILE RELEASE
//     Takes the lock of a log set's lock file LOCKFILE and holds it (as a process of another
//     user, or one stopped in a debugger, might) until the file RELEASE exists, at most two
//     minutes, then exits.
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
#include "addon001/platform/file_lock.h"
#include "addon001/platform/folder.h"
#include "addon001/platform/wide_path_file.h"
#include "numbered_record.h"
#include "stoppable_writer.h"

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

int writeUntilStopped(const std::string& live, int writer, long quota, long pauseMs,
                      const std::string& stop) {
    Log::RollingOutputToFile::open(platform::widenPath(live));
    if (!Log::RollingOutputToFile::isEnabled()) {
        std::cerr << "log_child: cannot open " << live << '\n';
        return 2;
    }
    logtest::logUntilStopped(writer, quota, pauseMs, stop);
    Log::RollingOutputToFile::close();
    return 0;
}

int holdLock(const std::string& lockFile, const fs::path& release) {
    const platform::SplitPath split = platform::splitPath(platform::widenPath(lockFile));
    platform::Folder folder;
    platform::FileLock lock;
    if (folder.open(split.folder) || lock.open(folder, split.name, 0666) ||
        lock.lock(std::chrono::minutes(1))) {
        std::cerr << "log_child: cannot lock " << lockFile << '\n';
        return 2;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!fs::exists(release) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
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
    if (arguments.size() == 3 && arguments[0] == "hold-lock") {
        return holdLock(arguments[1], arguments[2]);
    }
    if (arguments.size() == 3 && arguments[0] == "hold") {
        return holdUntilReleased(arguments[1], arguments[2]);
    }
    std::cerr
        << "usage: log_child log LIVE JOURNALS | log_child write LIVE WRITER QUOTA PAUSE_MS STOP | "
           "log_child hold-lock LOCKFILE RELEASE | log_child hold REPORT RELEASE\n";
    return 1;
}
