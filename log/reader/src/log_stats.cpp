#include "addon001/log/reader/log_stats.h"

#include <climits>

#include "addon001/log/reader/log_record_output.h"

namespace logreading {

namespace {
std::string pointText(const TimelinePoint& point) {
    return "day " + std::to_string(point.day) + " " + formatTimeOfDay(point.time);
}

nlohmann::ordered_json pointJson(const std::optional<TimelinePoint>& point) {
    if (!point) return nullptr;
    return {{"day", point->day}, {"time", formatTimeOfDay(point->time)}};
}
}  // namespace

void LogStats::add(const LogRecord& record) {
    ++records_;
    if (record.truncated) ++truncated_;
    if (record.cutBytes > 0) ++cut_;
    if (!record.header) {
        ++recordsWithoutHeader_;
        return;
    }
    const LineHeader& header = *record.header;
    ++perLevel_[{header.level ? *header.level : INT_MAX, header.levelText}];
    ++perThread_[header.thread];
    const TimelinePoint at{record.day, header.time};
    if (!first_ || at < *first_) first_ = at;
    if (!last_ || *last_ < at) last_ = at;
}

void LogStats::addUnparsedLine(const std::string& file, std::uint64_t line, std::string_view text) {
    ++unparsedCount_;
    if (unparsed_.size() < unparsedLinesKept) {
        unparsed_.push_back({file, line, std::string(text.substr(0, unparsedTextKept))});
    }
}

void LogStats::printText(std::ostream& out, const std::vector<FileRead>& files) const {
    out << "Files read:\n";
    for (const FileRead& file : files) {
        out << "  " << file.name << "  " << file.bytes << " bytes\n";
    }
    out << "Records: " << records_;
    if (recordsWithoutHeader_ > 0) out << " (" << recordsWithoutHeader_ << " without a header)";
    if (truncated_ > 0) out << " (" << truncated_ << " truncated)";
    if (cut_ > 0) out << " (" << cut_ << " cut at the reader's cap of 16 MiB)";
    out << '\n';
    if (first_) out << "First time: " << pointText(*first_) << '\n';
    if (last_) out << "Last time:  " << pointText(*last_) << '\n';
    out << "Per level:\n";
    for (const auto& [level, count] : perLevel_) out << "  " << level.text << "  " << count << '\n';
    out << "Per thread:\n";
    for (const auto& [thread, count] : perThread_) out << "  " << thread << "  " << count << '\n';
    out << "Lines that did not parse: " << unparsedCount_;
    if (unparsedCount_ > unparsed_.size()) out << " (the first " << unparsed_.size() << " shown)";
    out << '\n';
    for (const UnparsedLine& line : unparsed_) {
        out << "  " << line.file << ':' << line.line << ": " << line.text << '\n';
    }
}

nlohmann::ordered_json LogStats::toJson(const std::vector<FileRead>& files) const {
    nlohmann::ordered_json json;
    json["files"] = nlohmann::ordered_json::array();
    for (const FileRead& file : files) {
        json["files"].push_back({{"file", logTextToUtf8(file.name)}, {"bytes", file.bytes}});
    }
    json["records"] = records_;
    json["recordsWithoutHeader"] = recordsWithoutHeader_;
    json["truncated"] = truncated_;
    json["cut"] = cut_;
    json["first"] = pointJson(first_);
    json["last"] = pointJson(last_);
    json["levels"] = nlohmann::ordered_json::array();
    for (const auto& [level, count] : perLevel_) {
        json["levels"].push_back(
            {{"level", level.order == INT_MAX ? nlohmann::ordered_json(nullptr)
                                              : nlohmann::ordered_json(level.order)},
             {"levelText", level.text},
             {"records", count}});
    }
    json["threads"] = nlohmann::ordered_json::array();
    for (const auto& [thread, count] : perThread_) {
        json["threads"].push_back({{"thread", thread}, {"records", count}});
    }
    json["unparsedLines"] = unparsedCount_;
    json["unparsed"] = nlohmann::ordered_json::array();
    for (const UnparsedLine& line : unparsed_) {
        json["unparsed"].push_back({{"file", logTextToUtf8(line.file)},
                                    {"line", line.line},
                                    {"text", logTextToUtf8(line.text)}});
    }
    return json;
}

}  // namespace logreading
