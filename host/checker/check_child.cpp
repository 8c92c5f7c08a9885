#include "check_child.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

#include "addon001/platform/process_control.h"
#include "check_protocol.h"
#include "contract_checks.h"
#include "module/export_table.h"
#include "module/module_loader.h"
#include "module/thrown_description.h"

namespace host {

namespace {

// The events file, written line by line and flushed at once, so that every line written before
// the process ends is in the file, however it ends.
std::FILE* events = nullptr;

void writeEvent(const char* kind, const char* text) {
    if (events == nullptr) return;
    std::fputs(kind, events);
    std::fputs(text, events);
    std::fputc('\n', events);
    std::fflush(events);
}

// Where the check process is; the end handlers read it.
enum class Phase { Loading, Calling, Unloading, Exiting, Done };
std::atomic<Phase> phase{Phase::Loading};
std::atomic<bool> endWritten{false};

void enter(Phase next, const char* name) {
    phase = next;
    writeEvent(eventPhase, name);
}

// The first of the end handlers to run says how the process ended; the others keep quiet
// (std::terminate goes on to abort, for one).
void noteEnd(const char* how) {
    if (endWritten.exchange(true)) return;
    writeEvent(eventEnd, how);
}

// The unload check's outcome, written once the process has come through its exit.
std::optional<CheckOutcome> outcomeAfterExit;
std::filesystem::path outcomeFile;

void onExit() {
    if (phase == Phase::Exiting && outcomeAfterExit) {
        try {
            writeCheckOutcome(outcomeFile, *outcomeAfterExit);
            enter(Phase::Done, phaseDone);
        } catch (const std::exception&) {
            // No outcome: the checker reports that the process ended without one.
        }
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

// Runs inside abort(), on the thread that called it, which then ends the process (by the
// signal on Linux, with exit code 3 on Windows).
extern "C" void onAbortSignal(int) {
    noteEnd(endAbort);
}

void installEndHandlers() {
    std::atexit(onExit);
    std::set_terminate(onTerminate);
    std::signal(SIGABRT, onAbortSignal);
    platform::endCrashesWithTheirCode();
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
    events = std::fopen(files.events.string().c_str(), "w");
    if (events == nullptr) return checkChildUnusable;
    outcomeFile = files.outcome;
    CheckInput input;
    try {
        input = readCheckInput(files.input);
    } catch (const std::exception&) {
        return checkChildUnusable;
    }
    if (input.checkerProcess != 0)
        platform::endWithParent(input.checkerProcess, checkChildUnusable);
    installEndHandlers();

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
            outcome = id == loadId ? foundExports(exports) : runContractCheck(id, exports, input);
        } catch (...) {
            // Described here, while the module is loaded.
            outcome = CheckOutcome{};
            outcome.seen = describeThrown();
        }
        if (id == unloadId) {
            enter(Phase::Unloading, phaseUnloading);
            platform::endCrashesInTheLoader(true);
            loaded.reset();
            // The process's own exit then runs whatever teardown of the module is left.
            outcomeAfterExit = outcome;
            enter(Phase::Exiting, phaseExiting);
            std::exit(0);
        }
    }
    try {
        writeCheckOutcome(files.outcome, outcome);
    } catch (const std::exception&) {
        platform::endProcessNow(checkChildUnusable);
    }
    enter(Phase::Done, phaseDone);
    std::fclose(events);
    events = nullptr;
    platform::endProcessNow(0);
}

}  // namespace host
