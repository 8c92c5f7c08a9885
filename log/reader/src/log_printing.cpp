#include "addon001/log/reader/log_printing.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <new>
#include <sstream>
#include <thread>

#include "addon001/log/reader/log_record_output.h"
#include "addon001/log/reader/log_set_reader.h"
#include "addon001/log/reader/log_stats.h"
#include "addon001/platform/output_stream.h"

namespace logreading {

namespace {
// How often following looks for new records: often enough to show a record within a moment,
// seldom enough to cost nothing while the log is quiet.
constexpr auto pollInterval = std::chrono::milliseconds(100);
// How long reading waits for the new live file of a rotation that is under way.
constexpr auto rotationWait = std::chrono::seconds(1);

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int) {
    stopRequested = 1;
}

// Waits for the next poll; false when the output's reader has gone meanwhile.
bool waitForNextPoll(std::FILE* output, std::chrono::steady_clock::time_point deadline) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return true;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::min<std::chrono::steady_clock::duration>(pollInterval, deadline - now));
    return !platform::waitForReaderGone(output, std::max(wait, std::chrono::milliseconds(1)));
}

// Returns false when following ended because the output's reader has gone.
bool follow(LogSetReader& reader, const ReadEvents& events, OutputBuffer& out, std::FILE* output,
            std::optional<double> followFor) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    out.flush();
    const auto deadline = followFor
                              ? std::chrono::steady_clock::now() +
                                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        std::chrono::duration<double>(*followFor))
                              : std::chrono::steady_clock::time_point::max();
    while (stopRequested == 0 && std::chrono::steady_clock::now() < deadline) {
        if (!waitForNextPoll(output, deadline)) return false;
        // A record is passed on once a whole poll went by without anything new: by then its
        // writer has written all its lines.
        if (!reader.readOn(events)) reader.passHeldRecord(events);
        out.flush();
    }
    reader.readOn(events);
    return true;
}
}  // namespace

int printLogSet(const PrintOptions& options, std::FILE* output, std::ostream& errors) {
    RecordMatcher matcher(options.filter);
    LogStats summary;
    OutputBuffer out(output);
    const bool visible = !options.raw && platform::isTerminal(output);
    ReadEvents events;
    events.record = [&](const LogRecord& record) {
        if (!matcher.matches(record)) return;
        if (options.stats) {
            summary.add(record);
        } else if (options.json) {
            writeRecordJson(out, record);
        } else {
            writeRecordText(out, record, visible);
        }
    };
    if (options.stats) {
        events.unparsedLine = [&](const std::string& file, std::uint64_t line,
                                  std::string_view text) {
            summary.addUnparsedLine(file, line, text);
        };
    }
    events.notice = [&](const std::string& notice) {
        out.flush();
        errors << "addon-log: " << notice << std::endl;
    };

    try {
        LogSetReader reader(options.path);
        reader.readOn(events);
        // Between the rename of a rotation and its new live file: that file comes in a moment.
        const auto rotationDeadline = std::chrono::steady_clock::now() + rotationWait;
        while (reader.waitingForLiveFile() && std::chrono::steady_clock::now() < rotationDeadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            reader.readOn(events);
        }
        if ((options.follow || options.followFor) &&
            !follow(reader, events, out, output, options.followFor)) {
            return printDone;  // nobody reads what would follow
        }
        reader.finish(events);
        if (options.stats) {
            std::ostringstream text;
            if (options.json) {
                text << summary.toJson(reader.filesRead())
                            .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                     << '\n';
            } else {
                summary.printText(text, reader.filesRead());
            }
            if (visible) {
                appendVisible(out, text.str());
            } else {
                out.append(text.str());
            }
        }
        out.flush();
    } catch (const LogSetError& error) {
        try {
            out.flush();
        } catch (const OutputError&) {
            // The reading problem is the one to report.
        }
        errors << "addon-log: " << error.what() << '\n';
        return printBadInput;
    } catch (const OutputError& error) {
        errors << "addon-log: cannot write the output: " << error.what() << '\n';
        return printBadInput;
    } catch (const std::bad_alloc&) {
        errors << "addon-log: out of memory" << '\n';
        return printBadInput;
    } catch (const std::exception& error) {
        errors << "addon-log: " << error.what() << '\n';
        return printBadInput;
    }
    return printDone;
}

}  // namespace logreading
