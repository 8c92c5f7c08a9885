#include "addon001/log/reader/log_record_filter.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace logreading {

std::optional<TimeBound> parseTimeBound(std::string_view text) {
    TimeBound bound;
    const std::size_t plus = text.find('+');
    if (plus != std::string_view::npos) {
        int day = 0;
        const char* end = text.data() + plus;
        const auto parsed = std::from_chars(text.data(), end, day);
        if (plus == 0 || parsed.ec != std::errc() || parsed.ptr != end || day < 0) {
            return std::nullopt;
        }
        bound.day = day;
        text.remove_prefix(plus + 1);
    }
    const std::optional<int> time = parseTimeOfDay(text, true, &bound.withMilliseconds);
    if (!time) return std::nullopt;
    bound.time = *time;
    return bound;
}

RecordMatcher::RecordMatcher(RecordFilter filter)
    : filter_(std::move(filter)),
      keepsAll_(!filter_.needsHeader() && !filter_.text && !filter_.pattern) {}

void RecordMatcher::placeBounds(int firstTime) {
    placed_ = true;
    TimelinePoint reference{0, firstTime};
    if (filter_.since) {
        const TimeBound& since = *filter_.since;
        since_ = {since.day ? *since.day : (since.time >= reference.time ? 0 : 1), since.time};
        reference = since_;
    }
    if (filter_.until) {
        const TimeBound& until = *filter_.until;
        const int day =
            until.day ? *until.day : reference.day + (until.time >= reference.time ? 0 : 1);
        until_ = {day, until.withMilliseconds ? until.time : until.time + 999};
    }
}

bool RecordMatcher::matchesConditions(const LogRecord& record) {
    if (filter_.needsHeader()) {
        if (!record.header) return false;
        const LineHeader& header = *record.header;
        // The set's first record with a time places the bounds, whatever else it fails.
        if ((filter_.since || filter_.until) && !placed_) placeBounds(header.time);
        if (filter_.level && header.level && *header.level > *filter_.level) return false;
        if (!filter_.threads.empty() && std::find(filter_.threads.begin(), filter_.threads.end(),
                                                  header.thread) == filter_.threads.end()) {
            return false;
        }
        if (filter_.since || filter_.until) {
            const TimelinePoint at{record.day, header.time};
            if (filter_.since && at < since_) return false;
            if (filter_.until && until_ < at) return false;
        }
    }
    if (filter_.text && record.text.find(*filter_.text) == std::string::npos) return false;
    if (filter_.pattern && !filter_.pattern->foundIn(record.text)) return false;
    return true;
}

}  // namespace logreading
