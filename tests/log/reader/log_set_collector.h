#pragma once

// Collects what a LogSetReader passes on, for the tests to compare.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "addon001/log/reader/log_set_reader.h"

namespace logtest {

struct Collected {
    std::string file;
    std::uint64_t line = 0;
    int day = 0;
    bool hasHeader = false;
    std::string text;
    bool truncated = false;

    friend bool operator==(const Collected& a, const Collected& b) {
        return a.file == b.file && a.line == b.line && a.day == b.day &&
               a.hasHeader == b.hasHeader && a.text == b.text && a.truncated == b.truncated;
    }
};

class Collector {
public:
    std::vector<Collected> records;
    std::vector<std::string> unparsed;  // "file:line:text"
    std::vector<std::string> notices;

    logreading::ReadEvents events() {
        logreading::ReadEvents events;
        events.record = [this](const logreading::LogRecord& record) {
            records.push_back({*record.file, record.line, record.day, record.header.has_value(),
                               std::string(record.text), record.truncated});
        };
        events.unparsedLine = [this](const std::string& file, std::uint64_t line,
                                     std::string_view text) {
            unparsed.push_back(file + ":" + std::to_string(line) + ":" + std::string(text));
        };
        events.notice = [this](const std::string& notice) { notices.push_back(notice); };
        return events;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const Collected& record : records) all.push_back(record.text);
        return all;
    }
};

// Reads the whole set of `live` at once.
inline Collector readSet(const std::filesystem::path& live,
                         std::size_t chunkSize = logreading::LogSetReader::defaultChunkSize) {
    Collector collector;
    logreading::LogSetReader reader(live.string(), chunkSize);
    const logreading::ReadEvents events = collector.events();
    reader.readOn(events);
    reader.finish(events);
    return collector;
}

}  // namespace logtest
