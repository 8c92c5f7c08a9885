#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addon001/log/reader/log_record.h"
#include "addon001/log/reader/log_time.h"

namespace logreading {

// A time given for --since or --until: "[DAY+]HH:MM:SS[.mmm]".
struct TimeBound {
    std::optional<int> day;  // given: that day of the timeline; else the first day it occurs on
    int time = 0;
    bool withMilliseconds = false;  // without, --until reaches to the end of the second
};

// Parses a time bound; none when the text is no such time.
std::optional<TimeBound> parseTimeBound(std::string_view text);

// A regular expression, found anywhere in a record's text in time linear in the text's length
// whatever the pattern (RE2: no backtracking, no recursion), so no record can stall or crash
// the search.
class TextPattern {
public:
    // The pattern of `expression` (RE2's syntax, close to POSIX ERE and Perl), or none, with the
    // engine's reason in `problem`.
    static std::shared_ptr<const TextPattern> compile(const std::string& expression,
                                                      std::string& problem);
    virtual ~TextPattern() = default;
    virtual bool foundIn(std::string_view text) const = 0;
};

// Which records to keep. Every condition given must hold.
struct RecordFilter {
    std::optional<int> level;            // that level and every more severe one (lower number)
    std::vector<std::uint32_t> threads;  // one of these thread ids
    std::optional<std::string> text;     // in the record's text, header and continuations
    std::shared_ptr<const TextPattern> pattern;  // found in the record's text
    std::optional<TimeBound> since;
    std::optional<TimeBound> until;

    bool needsHeader() const { return level || !threads.empty() || since || until; }
};

// Applies a filter to the records of one set in file order. Times without a day are placed on
// the set's timeline when the first record with a time arrives: --since on the first day on
// which that time comes at or after the set's first record, --until on the first day on which
// it comes at or after the --since point (or the set's first record). Records at a level
// without a name ("---") do not say their number and are kept whatever --level says. Records
// without a header (lines that belong to no record) have no time, level or thread, and are
// kept only when no such condition is given.
class RecordMatcher {
public:
    explicit RecordMatcher(RecordFilter filter);
    bool matches(const LogRecord& record) { return keepsAll_ || matchesConditions(record); }
    // Whether any condition is given at all.
    bool keepsAll() const { return keepsAll_; }

private:
    bool matchesConditions(const LogRecord& record);
    void placeBounds(int firstTime);

    RecordFilter filter_;
    bool keepsAll_;
    bool placed_ = false;
    TimelinePoint since_;
    TimelinePoint until_;
};

}  // namespace logreading
