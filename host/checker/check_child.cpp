#include "check_child.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <thread>

#include "addon001/platform/process_control.h"
#include "check_protocol.h"
#include "contract_checks.h"
#include "module/export_table.h"
#include "module/module_loader.h"
#include "module/thrown_description.h"

namespace host {

namespace {

// The result channel (check_protocol.h), opened before the module is loaded and written record
// by record, each flushed at once, so that every record written before the process ends is in
// the file, however it ends.
std::FILE* channel = nullptr;
int threadsBeforeLoad = 1;
std::uint64_t channelKey = 0;

void writeRecord(RecordKind kind, std::string_view payload) {
    if (channel == nullptr) return;
    const std::string record = encodeRecord(kind, payload, channelKey);
    std::fwrite(record.data(), 1, record.size(), channel);
    std::fflush(channel);
}

// Where the check process is; the end handlers read it.
enum class Phase { Loading, Calling, Unloading, Exiting, Done };
std::atomic<Phase> phase{Phase::Loading};
std::atomic<bool> endWritten{false};

void enter(Phase next, const char* name) {
    phase = next;
    writeRecord(RecordKind::Phase, name);
}

// The first of the end handlers to run says how the process ended; the others keep quiet
// (std::terminate goes on to abort, for one).
void noteEnd(const char* how) {
    if (endWritten.exchange(true)) return;
    writeRecord(RecordKind::End, how);
}

// The longest text of what was seen that a check hands back: a module's answers can be of any
// size, and the checker's memory must not grow with them.
constexpr std::size_t longestSeen = 4000;

void writeOutcome(CheckOutcome outcome) {
    if (outcome.seen.size() > longestSeen) {
        outcome.seen.resize(longestSeen);
        outcome.seen += " ...";
    }
    std::string payload = encodeOutcome(outcome);
    if (payload.size() > largestRecordPayload) payload = encodeOutcome(CheckOutcome{});
    writeRecord(RecordKind::Outcome, payload);
}

// The unload check's outcome, written once the process has come through its exit.
std::optional<CheckOutcome> outcomeAfterExit;

void onExit() {
    if (phase == Phase::Exiting && outcomeAfterExit) {
        writeOutcome(*outcomeAfterExit);
        enter(Phase::Done, phaseDone);
        return;
    }
    // Nothing of the host calls exit while a check runs: the module did.
    if (phase != Phase::Done) noteEnd(endExit);
}

void onTerminate() {
    std::string how = endTerminate;
    if (const std::string thrown = describeActiveException(); !thrown.empty()) {
        how += " " + thrown;
    }
    noteEnd(how.c_str());
    std::abort();
}

// The End record abort() leaves, encoded when the channel opens: a signal handler must not
// allocate (abort() may come from inside the allocator, whose lock is then held).
std::string abortRecord;

// Runs inside abort(), on the thread that called it, which then ends the process (by the
// signal on Linux, with exit code 3 on Windows).
extern "C" void onAbortSignal(int) {
    if (channel == nullptr || endWritten.exchange(true)) return;
    std::fwrite(abortRecord.data(), 1, abortRecord.size(), channel);
    std::fflush(channel);
}

void installEndHandlers() {
    std::atexit(onExit);
    std::set_terminate(onTerminate);
    std::signal(SIGABRT, onAbortSignal);
    platform::endCrashesWithTheirCode();
}

// When the module runs threads of its own, lets each of them have its turn before the channel
// is closed, so that a thread that writes where it should not damages the channel in every
// run, not only when the machine happens to run it in time.
void settle() {
    if (platform::threadCount() > threadsBeforeLoad) {
        platform::letOtherThreadsRun(std::chrono::milliseconds(20), std::chrono::seconds(2));
    }
}

CheckOutcome loadFailed(const ModuleLoadError& error) {
    CheckOutcome outcome;
    outcome.seen = error.what();
    outcome.data["loadFailed"] = true;
    return outcome;
}

CheckOutcome foundExports(const ExportTable& exports) {
    CheckOutcome outcome;
    outcome.passed = true;
    nlohmann::json found = nlohmann::json::array();
    for (const std::string& name : expectedExportNames()) {
        if (exports.has(name)) found.push_back(name);
    }
    outcome.data[outcomeExports] = std::move(found);
    return outcome;
}

}  // namespace

int runCheckChild(const std::string& id, const std::string& filesPrefix,
                  const std::filesystem::path& module) {
    const CheckFiles files(filesPrefix);
    CheckInput input;
    try {
        input = readCheckInput(files.input);
    } catch (const std::exception&) {
        return checkChildUnusable;
    }
    channelKey = input.channelKey;
    abortRecord = encodeRecord(RecordKind::End, endAbort, channelKey);
    channel = std::fopen(files.channel.string().c_str(), "wb");
    if (channel == nullptr) return checkChildUnusable;
    if (input.checkerProcess != 0)
        platform::endWithParent(input.checkerProcess, checkChildUnusable);
    installEndHandlers();

    // What earlier check processes handed on is read before the module is loaded, so that
    // nothing of the module's runs while it is read.
    CheckContext context;
    try {
        context = prepareContext(id, input);
    } catch (const std::exception& error) {
        CheckOutcome outcome;
        outcome.seen = error.what();
        enter(Phase::Calling, phaseCalling);
        writeOutcome(outcome);
        enter(Phase::Done, phaseDone);
        platform::endProcessNow(0);
    }

    threadsBeforeLoad = platform::threadCount();
    enter(Phase::Loading, phaseLoading);
    std::optional<LoadedModule> loaded;
    CheckOutcome outcome;
    platform::endCrashesInTheLoader(true);
    try {
        loaded.emplace(module);
    } catch (const ModuleLoadError& error) {
        outcome = loadFailed(error);
    }
    platform::endCrashesInTheLoader(false);
    if (loaded) {
        enter(Phase::Calling, id == unloadId ? phaseCallingBeforeUnload : phaseCalling);
        const ExportTable exports(*loaded);
        try {
            outcome = id == loadId ? foundExports(exports) : runContractCheck(id, exports, context);
        } catch (...) {
            // Described here, while the module is loaded.
            outcome = CheckOutcome{};
            outcome.seen = describeThrown();
        }
        if (id == unloadId) {
            settle();
            enter(Phase::Unloading, phaseUnloading);
            platform::endCrashesInTheLoader(true);
            loaded.reset();
            // The process's own exit then runs whatever teardown of the module is left.
            outcomeAfterExit = outcome;
            enter(Phase::Exiting, phaseExiting);
            std::exit(0);
        }
    }
    writeOutcome(outcome);
    settle();
    enter(Phase::Done, phaseDone);
    std::fclose(channel);
    channel = nullptr;
    platform::endProcessNow(0);
}

}  // namespace host
