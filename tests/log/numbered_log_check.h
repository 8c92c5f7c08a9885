#pragma once

// Checks a log file and its backups that hold numbered records (numbered_record.h) after the
// writing process was killed or its disk ran full, and the sink was then opened again and
// wrote one marker record.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "addon001/log/rolling_output_to_file.h"
#include "log_test_files.h"
#include "numbered_record.h"

namespace logtest {

struct NumberedLogCheck {
    std::map<int, std::vector<long>> sequences;  // per writer, in the order of the files
    int cutLines = 0;                            // lines that are not whole
    int wholeLines = 0;                          // whole numbered records
    bool markerFound = false;
    std::vector<std::string> problems;  // every rule the files break
};

// Reads backup 6 down to backup 1 and then the live file. Every line must be a whole numbered
// record, except one cut line at most, which must be directly followed by the marker (a whole
// header with `marker` as its message) as the live file's last line; every file ends with its
// line end.
inline NumberedLogCheck checkNumberedLog(const fs::path& live, const std::string& marker) {
    std::vector<fs::path> files;
    for (int number = Log::RollingOutputToFile::backupCount; number >= 1; --number) {
        const fs::path backup = live.string() + "." + std::to_string(number);
        if (fs::exists(backup)) files.push_back(backup);
    }
    files.push_back(live);
    NumberedLogCheck check;
    const auto isMarker = [&marker](const std::string& line) {
        std::size_t start = 0;
        return hasRecordHeader(line, start) && line.compare(start, std::string::npos, marker) == 0;
    };
    for (const fs::path& file : files) {
        const StoredLines stored = readStoredLines(file);
        const std::string name = file.filename().string();
        if (!stored.endsWithLineEnd)
            check.problems.push_back(name + " ends in the middle of a line");
        for (std::size_t index = 0; index < stored.lines.size(); ++index) {
            const std::string& line = stored.lines[index];
            const bool last = index + 1 == stored.lines.size();
            if (isMarker(line)) {
                check.markerFound = true;
                if (file != live || !last) check.problems.push_back("the marker is not last");
                continue;
            }
            if (const auto record = parseNumberedLine(line)) {
                check.sequences[record->writer].push_back(record->sequence);
                ++check.wholeLines;
                continue;
            }
            ++check.cutLines;
            const bool beforeMarker = file == live && !last && isMarker(stored.lines[index + 1]);
            if (!beforeMarker) {
                check.problems.push_back(name + " line " + std::to_string(index + 1) +
                                         " is not whole: " + line.substr(0, 80));
            }
        }
    }
    if (!check.markerFound) check.problems.push_back("the marker is missing or not whole");
    if (check.cutLines > 1) check.problems.push_back("more than one line is cut");
    return check;
}

}  // namespace logtest
