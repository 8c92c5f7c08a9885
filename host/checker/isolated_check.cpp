#include "isolated_check.h"

#include <chrono>
#include <fstream>
#include <iomanip>
#include <random>
#include <sstream>
#include <stdexcept>

#include "addon001/platform/child_process.h"
#include "addon001/platform/process_control.h"
#include "addon001/platform/remove_tree.h"
#include "addon001/platform/unique_folder.h"
#include "check_child.h"

namespace host {

namespace {

std::string seconds(std::chrono::milliseconds time) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::setprecision(3) << static_cast<double>(time.count()) / 1000.0 << " s";
    return text.str();
}

std::string crashText(const platform::ChildEnd& end) {
    return "crashed with " + (end.kind == platform::ChildEnd::Kind::Signalled
                                  ? platform::signalText(end.code)
                                  : platform::exceptionText(static_cast<unsigned>(end.code)));
}

std::string exitCode(const platform::ChildEnd& end) {
    return end.kind == platform::ChildEnd::Kind::Exited ? std::to_string(end.code)
                                                        : "status " + std::to_string(end.code);
}

}  // namespace

std::string describeEarlyEnd(const std::string& id, const platform::ChildEnd& end,
                             const std::string& lastPhase, const std::string& endLine,
                             std::chrono::milliseconds timeLimit) {
    std::string how;
    const std::string terminatePrefix = std::string(endTerminate) + " ";
    // Only what the end handlers write counts; the rest of a text, if any, is the module's.
    if (end.kind == platform::ChildEnd::Kind::NotStarted) {
        return "the check process could not be started: " + end.problem;
    } else if (end.kind == platform::ChildEnd::Kind::TimedOut) {
        how = "did not return within " + seconds(timeLimit) + "; its process was ended";
    } else if (endLine == endTerminate) {
        how = "std::terminate was called";
    } else if (endLine.rfind(terminatePrefix, 0) == 0) {
        how =
            "std::terminate was called after the module " + endLine.substr(terminatePrefix.size());
    } else if (endLine == endAbort) {
        how = "the module called abort()";
    } else if (endLine == endExit) {
        how = "the module called exit(" + exitCode(end) + ")";
    } else if (end.kind == platform::ChildEnd::Kind::Signalled ||
               end.kind == platform::ChildEnd::Kind::Crashed) {
        how = crashText(end);
    } else {
        how = "the check process ended with exit code " + std::to_string(end.code) +
              " before the check returned";
    }
    if (lastPhase == phaseLoading && id != loadId) return "while the module was loading, " + how;
    if (lastPhase == phaseCallingBeforeUnload) {
        return "while the exports were called before the unload, " + how;
    }
    if (lastPhase == phaseUnloading) return "while the module was unloading, " + how;
    if (lastPhase == phaseExiting) return "while the process exited after the unload, " + how;
    return how;
}

CheckProcesses::CheckProcesses(std::filesystem::path hostProgram, std::filesystem::path module,
                               std::chrono::milliseconds timeLimit)
    : hostProgram_(std::move(hostProgram)), module_(std::move(module)), timeLimit_(timeLimit) {
    folder_ = platform::makeUniqueFolder("addon-host-check-");
    std::random_device random;
    key_ = (static_cast<std::uint64_t>(random()) << 32) ^ random();
}

CheckProcesses::~CheckProcesses() {
    removeFolder();
}

void CheckProcesses::removeFolder() noexcept {
    // A check process's files may stay delete-pending on Windows for a moment after it ends.
    try {
        platform::removeTree(folder_);
    } catch (...) {
        // Nothing more to do about a folder that cannot go.
    }
}

IsolatedOutcome CheckProcesses::run(const std::string& id, const CheckInput& input) {
    const std::string prefix = (folder_ / std::to_string(++runs_)).string();
    const CheckFiles files(prefix);
    CheckInput withChecker = input;
    withChecker.checkerProcess = platform::currentProcessId();
    withChecker.channelKey = key_;
    withChecker.handedOnFolder = folder_.string();
    writeCheckInput(files.input, withChecker);

    platform::ChildOptions options;
    options.timeLimit = timeLimit_;
    options.endDescendants = true;
    // Output and error output are thrown away: the module may print, and a system's crash
    // report would otherwise land among the checker's lines.
    const platform::ChildEnd end = platform::runChild(
        hostProgram_, {checkChildOption, id, checkFilesOption, prefix, module_.string()}, options);

    const ChannelContents channel = readChannel(files.channel, key_);
    IsolatedOutcome result;
    if (channel.damage) {
        // Whatever else the process did: what it handed back cannot be trusted.
        // The same words whatever the damage, which depends on when the bytes landed.
        result.outcome.seen = damagedChannelText;
    } else if (end.kind != platform::ChildEnd::Kind::TimedOut && channel.outcome) {
        result.outcome = *channel.outcome;
        result.returned = true;
    } else {
        // Ended before it got to the module: it could not read its input or open its channel.
        if (channel.lastPhase.empty() && end.exitedWith(checkChildUnusable)) {
            throw std::runtime_error("a check process could not use its files in " +
                                     folder_.string());
        }
        result.outcome.passed = false;
        result.outcome.seen =
            describeEarlyEnd(id, end, channel.lastPhase, channel.endLine, timeLimit_);
    }
    std::error_code ignored;
    for (const auto& file : {files.input, files.channel}) {
        std::filesystem::remove(file, ignored);
    }
    return result;
}

}  // namespace host
