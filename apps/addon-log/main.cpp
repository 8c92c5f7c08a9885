// addon-log: prints the rotating log set of the logging library (the live file and its
// backups) as one stream of records, oldest first, filtered, as JSON Lines or as a summary, and
// follows it while it is being written.
#include <CLI/CLI.hpp>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "addon001/log/reader/log_line_header.h"
#include "addon001/log/reader/log_record_filter.h"
#include "addon001/log/reader/log_record_output.h"
#include "addon001/log/reader/log_set_reader.h"
#include "addon001/log/reader/log_stats.h"

namespace {
constexpr int exitBadCommandLine = 1;
constexpr int exitBadInput = 2;

// How often --follow looks for new records: often enough to show a record within a moment,
// seldom enough to cost nothing while the log is quiet.
constexpr auto pollInterval = std::chrono::milliseconds(100);
// How long reading waits for the new live file of a rotation that is under way.
constexpr auto rotationWait = std::chrono::seconds(1);

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int) {
    stopRequested = 1;
}

const char* const description =
    "addon-log: prints a log set of the Addon001 logging library as one stream of records,\n"
    "oldest first: the backups PATH.6 (or the highest number there is) down to PATH.1, then the\n"
    "live file PATH. A record is its header line (time, level, thread id, message) with the\n"
    "lines of its message that follow it; a line that is no header stays with the record before\n"
    "it, and a file's last line cut short by a crash is printed with \" [truncated]\". Files\n"
    "with LF and with CR LF line ends are both read; the output has the system's line ends.\n"
    "\n"
    "The lines carry a time of day but no date. The days are counted from the first record on\n"
    "(day 0): a record whose time is more than 5 seconds earlier than the latest time of the\n"
    "current day starts the next day (the clock passed midnight); smaller steps back are lines\n"
    "of threads that were overtaken by another thread and stay on their day. A pause of a whole\n"
    "day without any record is not seen, and a clock set back by more than 5 seconds counts as\n"
    "a new day.\n"
    "\n"
    "Exit codes: 0 read (also when no record matched); 1 bad command line; 2 the set cannot be\n"
    "read (none of its files exists, a folder or unreadable file in its place, no live file\n"
    "and only empty backups) or the output cannot be written.";

int badInput(const std::string& problem) {
    std::cerr << "addon-log: " << problem << '\n';
    return exitBadInput;
}

int badOption(const std::string& problem) {
    std::cerr << "addon-log: " << problem << '\n';
    return exitBadCommandLine;
}

void sleepUntilNextPoll(std::chrono::steady_clock::time_point deadline) {
    const auto now = std::chrono::steady_clock::now();
    if (now < deadline)
        std::this_thread::sleep_for(
            std::min<std::chrono::nanoseconds>(pollInterval, deadline - now));
}
}  // namespace

int main(int argc, char** argv) {
    CLI::App app{description};
    // Options are written --name on every system; a path such as /tmp/app.log (under Wine)
    // is no Windows-style option.
    app.allow_windows_style_options(false);
    std::string path;
    app.add_option("PATH", path, "The live log file; its backups are PATH.1 to PATH.6")->required();
    std::string level;
    app.add_option("--level", level,
                   "Only records at this level or a more severe one: FAT, ERR, WAR, INF, DBG, "
                   "DB1, DB2, DB3 or a number (WAR and 30 are the same); records at a level "
                   "without a name (\"---\") do not tell their number and are always kept")
        ->type_name("LEVEL");
    std::vector<std::uint32_t> threads;
    app.add_option("--thread", threads, "Only records of this thread id (repeatable: any of them)")
        ->type_name("ID")
        ->allow_extra_args(false);
    std::string grep;
    app.add_option("--grep", grep,
                   "Only records whose text (header line and message lines) contains TEXT")
        ->type_name("TEXT");
    bool regex = false;
    app.add_flag("--regex", regex,
                 "Take --grep as a regular expression (ECMAScript, as std::regex), found anywhere "
                 "in the record's text");
    std::string since;
    std::string until;
    app.add_option("--since", since,
                   "Only records from this time on: HH:MM:SS or HH:MM:SS.mmm on the first day "
                   "on which it comes at or after the set's first record, or DAY+HH:MM:SS[.mmm] "
                   "on that day of the timeline (day 0 is the first)")
        ->type_name("TIME");
    app.add_option("--until", until,
                   "Only records up to this time (a time without milliseconds includes its whole "
                   "second), on the first day on which it comes at or after --since (or the "
                   "set's first record), or DAY+HH:MM:SS[.mmm]")
        ->type_name("TIME");
    bool follow = false;
    app.add_flag("--follow,-f", follow,
                 "After printing, keep printing new records as they are written, also across "
                 "rotations, until Ctrl-C");
    double followFor = -1;
    app.add_option("--follow-for", followFor,
                   "Follow (as --follow) for this many seconds after the records present have "
                   "been printed, then stop")
        ->type_name("SECONDS")
        ->check(CLI::NonNegativeNumber);
    bool json = false;
    app.add_flag("--json", json,
                 "One JSON object per record (JSON Lines): file, line, day, time, level, "
                 "levelText, thread, message (continuation lines joined by \\n), truncated; "
                 "with --stats the summary as one JSON object");
    bool stats = false;
    app.add_flag("--stats", stats,
                 "Instead of the records, a summary of those that pass the filters: records per "
                 "level and per thread, first and last time, the files read with their sizes, "
                 "and the lines that did not parse");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : exitBadCommandLine;
    }

    logreading::RecordFilter filter;
    if (!level.empty()) {
        filter.level = Log::format::parseLevel(level);
        if (!filter.level) {
            return badOption("--level " + level +
                             ": not a level (FAT, ERR, WAR, INF, DBG, DB1, DB2, DB3 or a number)");
        }
    }
    filter.threads = threads;
    if (!grep.empty()) {
        if (regex) {
            try {
                filter.pattern.emplace(grep, std::regex::ECMAScript);
            } catch (const std::regex_error& error) {
                return badOption("--grep " + grep + ": not a regular expression: " + error.what());
            }
        } else {
            filter.text = grep;
        }
    }
    for (auto [name, text, bound] : {std::tuple{"--since", &since, &filter.since},
                                     std::tuple{"--until", &until, &filter.until}}) {
        if (text->empty()) continue;
        *bound = logreading::parseTimeBound(*text);
        if (!*bound) {
            return badOption(std::string(name) + " " + *text +
                             ": not a time (HH:MM:SS or HH:MM:SS.mmm, optionally DAY+ before it)");
        }
    }
    if (followFor >= 0) follow = true;

    logreading::RecordMatcher matcher(std::move(filter));
    logreading::LogStats summary;
    logreading::OutputBuffer out(stdout);
    logreading::ReadEvents events;
    events.record = [&](const logreading::LogRecord& record) {
        if (!matcher.matches(record)) return;
        if (stats) {
            summary.add(record);
        } else if (json) {
            logreading::writeRecordJson(out, record);
        } else {
            logreading::writeRecordText(out, record);
        }
    };
    if (stats) {
        events.unparsedLine = [&](const std::string& file, std::uint64_t line,
                                  std::string_view text) {
            summary.addUnparsedLine(file, line, text);
        };
    }
    events.notice = [&](const std::string& notice) {
        out.flush();
        std::cerr << "addon-log: " << notice << std::endl;
    };

    try {
        logreading::LogSetReader reader(path);
        reader.readOn(events);
        // Between the rename of a rotation and its new live file: that file comes in a moment.
        const auto rotationDeadline = std::chrono::steady_clock::now() + rotationWait;
        while (reader.waitingForLiveFile() && std::chrono::steady_clock::now() < rotationDeadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            reader.readOn(events);
        }
        if (follow) {
            std::signal(SIGINT, requestStop);
            std::signal(SIGTERM, requestStop);
            out.flush();
            const auto deadline =
                followFor >= 0
                    ? std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(followFor))
                    : std::chrono::steady_clock::time_point::max();
            while (stopRequested == 0 && std::chrono::steady_clock::now() < deadline) {
                sleepUntilNextPoll(deadline);
                // A record is passed on once a whole poll went by without anything new: by then
                // its writer has written all its lines.
                if (!reader.readOn(events)) reader.passHeldRecord(events);
                out.flush();
            }
            reader.readOn(events);
        }
        reader.finish(events);
        if (stats) {
            std::ostringstream text;
            if (json) {
                text << summary.toJson(reader.filesRead())
                            .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                     << '\n';
            } else {
                summary.printText(text, reader.filesRead());
            }
            out.append(text.str());
        }
        out.flush();
    } catch (const logreading::LogSetError& error) {
        try {
            out.flush();
        } catch (const logreading::OutputError&) {
            // The reading problem is the one to report.
        }
        return badInput(error.what());
    } catch (const logreading::OutputError& error) {
        return badInput(std::string("cannot write the output: ") + error.what());
    }
    return 0;
}
