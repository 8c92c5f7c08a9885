// addon-log: prints the rotating log set of the logging library (the live file and its
// backups) as one stream of records, oldest first, filtered, as JSON Lines or as a summary, and
// follows it while it is being written.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "addon001/log/format.h"
#include "addon001/log/reader/log_printing.h"
#include "addon001/log/reader/log_record_filter.h"
#include "addon001/log/version.h"
#include "help_formatter.h"

namespace {
constexpr int exitBadCommandLine = 1;
// --follow-for takes at most a year: a longer time is a mistake, not a plan.
constexpr double longestFollow = 365.0 * 24 * 60 * 60;

const std::string oldestBackup = "PATH." + std::to_string(Log::format::backupCount);

const std::string description =
    "addon-log: prints a log set of the Addon001 logging library as one stream of records,\n"
    "oldest first: the backups " +
    oldestBackup +
    " (or the highest number there is) down to "
    "PATH.1, then the\n"
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
    "a new day. A record stamped less than 5 seconds before midnight that follows records of\n"
    "just after midnight is a late record of the day before (day -1 before day 0).\n"
    "\n"
    "A record's text is held up to 16 MiB: the rest of a longer one is left out, marked\n"
    "\" [cut: N bytes left out]\" and counted by --stats. On a terminal the control characters\n"
    "of the records (escape sequences, carriage returns, C1 controls) are shown visibly, as\n"
    "\\x1b or \\r, so that no log line can move the cursor, set the title or overwrite a line;\n"
    "--raw prints them as stored. To a pipe or a file the records are printed as stored.\n"
    "\n"
    "Exit codes: 0 read (also when no record matched); 1 bad command line; 2 the set cannot be\n"
    "read (none of its files exists, a folder or unreadable file in its place, no live file\n"
    "and only empty backups), the output cannot be written, or memory ran out.";

// The options as given; the filter's parts are checked once the command line is parsed.
struct CommandLine {
    logreading::PrintOptions print;
    std::string level;
    std::string grep;
    bool regex = false;
    std::string since;
    std::string until;
    std::string followFor;
};

void describeOptions(CLI::App& app, CommandLine& line) {
    // Options are written --name on every system; a path such as /tmp/app.log (under Wine)
    // is no Windows-style option.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", "addon-log " ADDONLOG_VERSION_STRING);
    app.add_option("PATH", line.print.path,
                   "The live log file; its backups are PATH.1 to " + oldestBackup)
        ->required();
    app.add_option("--level", line.level,
                   "Only records at this level or a more severe one: " + Log::format::levelTexts() +
                       " or a number (WAR and 30 are the same); records at a level without a "
                       "name (\"" +
                       Log::format::unnamedLevelText +
                       "\") do not tell their number and are always kept")
        ->type_name("LEVEL");
    app.add_option("--thread", line.print.filter.threads,
                   "Only records of this thread id (repeatable: any of them)")
        ->type_name("ID")
        ->allow_extra_args(false);
    app.add_option("--grep", line.grep,
                   "Only records whose text (header line and message lines) contains TEXT "
                   "(plain text, unless --regex)")
        ->type_name("TEXT");
    app.add_flag("--regex", line.regex,
                 "Take --grep as a regular expression (RE2 syntax, close to POSIX ERE), found "
                 "anywhere in the record's text; searched in time linear in the text, whatever "
                 "the pattern");
    app.add_option("--since", line.since,
                   "Only records from this time on: HH:MM:SS or HH:MM:SS.mmm on the first day "
                   "on which it comes at or after the set's first record, or DAY+HH:MM:SS[.mmm] "
                   "on that day of the timeline (day 0 is the first)")
        ->type_name("TIME");
    app.add_option("--until", line.until,
                   "Only records up to this time (a time without milliseconds includes its whole "
                   "second), on the first day on which it comes at or after --since (or the "
                   "set's first record), or DAY+HH:MM:SS[.mmm]")
        ->type_name("TIME");
    app.add_flag("--follow,-f", line.print.follow,
                 "After printing, keep printing new records as they are written, also across "
                 "rotations (a copy-and-truncate one too), until Ctrl-C or until the reader of "
                 "the output has gone (as `| head` closes it)");
    app.add_option("--follow-for", line.followFor,
                   "Follow (as --follow) for this many seconds after the records present have "
                   "been printed, then stop: 0 to 31536000 (a year)")
        ->type_name("SECONDS");
    app.add_flag("--json", line.print.json,
                 "One JSON object per record (JSON Lines): file, line, day, time, level, "
                 "levelText, thread, message (continuation lines joined by \\n), truncated; "
                 "with --stats the summary as one JSON object");
    app.add_flag("--stats", line.print.stats,
                 "Instead of the records, a summary of those that pass the filters: records per "
                 "level and per thread, first and last time, the files read with their sizes, "
                 "and the lines that did not parse");
    app.add_flag("--raw", line.print.raw,
                 "Print the records' bytes as stored even on a terminal, control characters "
                 "included (else shown as \\x1b, \\r ...)");
}

// Completes line.print.filter from the texts given; the problem with the first bad one, or
// none.
std::optional<std::string> completeFilter(CommandLine& line) {
    logreading::RecordFilter& filter = line.print.filter;
    if (!line.level.empty()) {
        filter.level = Log::format::parseLevel(line.level);
        if (!filter.level) {
            return "--level " + line.level + ": not a level (" + Log::format::levelTexts() +
                   " or a number)";
        }
    }
    if (!line.grep.empty() && line.regex) {
        std::string problem;
        filter.pattern = logreading::TextPattern::compile(line.grep, problem);
        if (!filter.pattern)
            return "--grep " + line.grep + ": not a regular expression: " + problem;
    } else if (!line.grep.empty()) {
        filter.text = line.grep;
    }
    for (auto [name, text, bound] : {std::tuple{"--since", &line.since, &filter.since},
                                     std::tuple{"--until", &line.until, &filter.until}}) {
        if (text->empty()) continue;
        *bound = logreading::parseTimeBound(*text);
        if (!*bound) {
            return std::string(name) + " " + *text +
                   ": not a time (HH:MM:SS or HH:MM:SS.mmm, optionally DAY+ before it)";
        }
    }
    if (!line.followFor.empty()) {
        // Not a number, infinite, negative or past a year: refused, not taken as "stop now".
        char* end = nullptr;
        const double seconds = std::strtod(line.followFor.c_str(), &end);
        if (end != line.followFor.c_str() + line.followFor.size() || !std::isfinite(seconds) ||
            seconds < 0 || seconds > longestFollow) {
            return "--follow-for " + line.followFor + ": not a number of seconds from 0 to " +
                   std::to_string(static_cast<long>(longestFollow)) + " (a year)";
        }
        line.print.followFor = seconds;
    }
    return std::nullopt;
}

int run(int argc, char** argv) {
    CLI::App app{description};
    apps::useHelpFormatter(app);
    CommandLine line;
    describeOptions(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version: printed as CLI11 words them.
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(error);
        }
        std::cerr << "addon-log: " << error.what() << " (--help lists the options)\n";
        return exitBadCommandLine;
    }
    if (const std::optional<std::string> problem = completeFilter(line)) {
        std::cerr << "addon-log: " << *problem << '\n';
        return exitBadCommandLine;
    }
    return logreading::printLogSet(line.print, stdout, std::cerr);
}
}  // namespace

int main(int argc, char** argv) {
    // Whatever escapes, one line and the exit code of a failure.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "addon-log: out of memory\n";
    } catch (const std::exception& error) {
        std::cerr << "addon-log: " << error.what() << '\n';
    }
    return logreading::printBadInput;
}
