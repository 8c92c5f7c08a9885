#pragma once

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "addon001/log/reader/log_record_filter.h"

namespace logreading {

struct PrintOptions {
    std::string path;  // the live file of the set
    RecordFilter filter;
    // Keep printing new records as they are written, until SIGINT or SIGTERM, or for
    // `followFor` seconds after the records present have been printed.
    bool follow = false;
    std::optional<double> followFor;
    bool json = false;   // JSON Lines, or with `stats` one JSON object
    bool stats = false;  // a summary instead of the records
    // The records' bytes as stored even on a terminal, where their controls are otherwise
    // shown visibly (appendVisible).
    bool raw = false;
};

// Exit codes of printing a set.
inline constexpr int printDone = 0;      // also when no record matched
inline constexpr int printBadInput = 2;  // the set cannot be read, or the output not written

// Prints the log set at options.path as one stream of records, oldest first, filtered, to
// `out`; notices (a skipped file, a start over) and the one line of a failure, each prefixed
// "addon-log: ", go to `errors`. Following ends when the reader of `out` has gone (a pipe closed
// by `head`). Every failure, out of memory included, is one line and printBadInput.
int printLogSet(const PrintOptions& options, std::FILE* out, std::ostream& errors);

}  // namespace logreading
