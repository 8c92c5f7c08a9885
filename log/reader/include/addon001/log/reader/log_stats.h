#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "addon001/log/reader/log_record.h"
#include "addon001/log/reader/log_set_reader.h"
#include "addon001/log/reader/log_time.h"

namespace logreading {

// What --stats reports about the records of a set: how many at each level and on each thread,
// the first and the last time on the set's timeline, the files read with the bytes read from
// each, and the lines that did not parse.
class LogStats {
public:
    // Lines that did not parse are counted all, and the first this many kept for the report.
    static constexpr std::size_t unparsedLinesKept = 20;
    // Of each line kept, its first this many bytes.
    static constexpr std::size_t unparsedTextKept = 200;

    void add(const LogRecord& record);
    void addUnparsedLine(const std::string& file, std::uint64_t line, std::string_view text);

    void printText(std::ostream& out, const std::vector<FileRead>& files) const;
    nlohmann::ordered_json toJson(const std::vector<FileRead>& files) const;

private:
    struct UnparsedLine {
        std::string file;
        std::uint64_t line;
        std::string text;
    };
    struct LevelKey {
        int order;         // the level's number; after every number for "---"
        const char* text;  // static
        friend bool operator<(const LevelKey& a, const LevelKey& b) { return a.order < b.order; }
    };

    std::uint64_t records_ = 0;
    std::uint64_t recordsWithoutHeader_ = 0;
    std::uint64_t truncated_ = 0;
    std::uint64_t cut_ = 0;  // records longer than the reader holds (RecordAssembler)
    std::map<LevelKey, std::uint64_t> perLevel_;
    std::map<std::uint32_t, std::uint64_t> perThread_;
    std::optional<TimelinePoint> first_;
    std::optional<TimelinePoint> last_;
    std::uint64_t unparsedCount_ = 0;
    std::vector<UnparsedLine> unparsed_;
};

}  // namespace logreading
