#pragma once

// A writer of numbered records (numbered_record.h) that stops together with the others on the
// same log file: once it has written its quota it makes the file STOP.WRITER.done and goes on
// until the file STOP exists, then logs one more and writes how many it logged to
// STOP.WRITER.count. A test that makes STOP only once every writer's .done is there knows that
// all of them were writing until then, whatever the scheduling, so each one's last record is
// among the newest lines of the set.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "addon001/log/log_statement.h"
#include "numbered_record.h"

namespace logtest {

// Makes `name` appear whole, holding `value`: written under another name first, then renamed.
inline void publish(const std::filesystem::path& name, long value) {
    const std::filesystem::path part = name.string() + ".part";
    std::ofstream(part) << value << '\n';
    std::filesystem::rename(part, name);
}

// Logs through the open log file; returns the number of records logged.
inline long logUntilStopped(int writer, long quota, long pauseMs, const std::string& stop) {
    const std::string mine = stop + "." + std::to_string(writer);
    long sequence = 0;
    for (bool stopped = false; !stopped; ++sequence) {
        if (sequence == quota) publish(mine + ".done", quota);
        if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        stopped = sequence >= quota && std::filesystem::exists(stop);
        LOG_AT(Log::INF) << numberedMessage(writer, sequence);
    }
    publish(mine + ".count", sequence);
    return sequence;
}

}  // namespace logtest
