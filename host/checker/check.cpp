#include "check.h"

#include <cerrno>
#include <fstream>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <system_error>

#include "addon001/platform/process_control.h"
#include "check_child.h"
#include "check_report.h"
#include "contract_checks.h"
#include "isolated_check.h"
#include "module/cxx_runtime.h"
#include "module/export_table.h"
#include "module/module_file.h"

namespace host {

namespace {

// Drive types asked besides the catalogue's: the empty code and one no module knows.
const std::vector<std::string> probeDriveTypes = {"", "no such drive type"};

const char* const loadFailedReason = "needs the module to load, which failed";
const char* const checkerTrouble = "the checker runs every check";
const char* const endRequested = "the check run ended early";

using Clock = std::chrono::steady_clock;

// ": <the system's words>" for a failed file operation's errno, when the system gave one.
std::string systemReason(int error) {
    return error == 0 ? std::string() : ": " + std::generic_category().message(error);
}

// Collects the results and, unless the run reports as JSON, writes each line as it comes, so
// that a long run shows how far it got. A request to end the run reads the results from
// another thread.
class CheckRun {
public:
    CheckRun(std::ostream& out, bool json) : out_(out), json_(json) {}

    void add(CheckResult::Verdict verdict, const std::string& name, const std::string& seen,
             std::chrono::duration<double> time = {}) {
        const std::lock_guard<std::mutex> lock(mutex_);
        results_.push_back(CheckResult{verdict, name, seen, time});
        if (!json_) out_ << checkLine(results_.back()) << std::endl;
    }
    void add(bool passed, const std::string& name, const std::string& seen,
             std::chrono::duration<double> time = {}) {
        add(passed ? CheckResult::Verdict::Passed : CheckResult::Verdict::Failed, name, seen, time);
    }
    void skip(const std::string& name, const std::string& why) {
        add(CheckResult::Verdict::Skipped, name, why);
    }

    bool anyFailed() const {
        for (const CheckResult& result : results()) {
            if (result.verdict == CheckResult::Verdict::Failed) return true;
        }
        return false;
    }
    std::vector<CheckResult> results() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return results_;
    }

    void finish(const std::string& module) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (json_) {
            writeCheckJson(out_, module, results_);
        } else {
            out_ << summaryLine(results_) << std::endl;
        }
    }

private:
    std::ostream& out_;
    bool json_;
    mutable std::mutex mutex_;
    std::vector<CheckResult> results_;
};

// Writes the JUnit report; false, with a line on `errors`, when it cannot.
bool writeJUnitFile(const CheckOptions& options, const std::vector<CheckResult>& results,
                    std::ostream* errors) {
    errno = 0;
    std::ofstream report(options.junitFile, std::ios::trunc);
    writeJUnit(report, options.module.string(), results);
    report.close();
    const int error = errno;
    if (report) return true;
    if (errors != nullptr) {
        *errors << "addon-host: cannot write the JUnit report " << options.junitFile.string()
                << systemReason(error) << '\n';
    }
    return false;
}

// What the handler of a request to end the run reaches: set while a run goes on.
struct RunningCheck {
    std::mutex mutex;
    const CheckOptions* options = nullptr;
    CheckRun* run = nullptr;
    CheckProcesses* processes = nullptr;
};
RunningCheck& runningCheck() {
    static RunningCheck* running = new RunningCheck;  // never destroyed: the handler outlives
    return *running;
}

// Ends the check processes and whatever they started, removes the scratch folder, and writes
// the JUnit report of the checks that ran, with one failure for the run's early end.
void endRunEarly() {
    RunningCheck& running = runningCheck();
    const std::lock_guard<std::mutex> lock(running.mutex);
    platform::endRemainingChildren();
    if (running.processes != nullptr) running.processes->removeFolder();
    if (running.run == nullptr || running.options->junitFile.empty()) return;
    std::vector<CheckResult> results = running.run->results();
    results.push_back(CheckResult{
        CheckResult::Verdict::Failed, endRequested, "asked to end before every check ran", {}});
    writeJUnitFile(*running.options, results, nullptr);
}

// Why the module file cannot be read at all, in the system's words; empty when it can (or is
// missing, which the load check says itself).
std::string fileProblem(const std::filesystem::path& module) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(module, error);
    if (status.type() != std::filesystem::file_type::none || !error) return std::string();
    return "cannot be opened: " + error.message();
}

class Checker {
public:
    Checker(const CheckOptions& options, const std::filesystem::path& module, CheckRun& run)
        : options_(options),
          module_(module),
          run_(run),
          processes_(options.hostProgram, module, options.timeLimit),
          fileProblem_(fileProblem(module)) {
        input_.extraDriveTypes = options.extraDriveTypes;
        input_.extraDriveTypes.insert(input_.extraDriveTypes.end(), probeDriveTypes.begin(),
                                      probeDriveTypes.end());
        input_.interfaceVersion = options.interfaceVersion;
        RunningCheck& running = runningCheck();
        const std::lock_guard<std::mutex> lock(running.mutex);
        running.processes = &processes_;
    }
    ~Checker() {
        RunningCheck& running = runningCheck();
        const std::lock_guard<std::mutex> lock(running.mutex);
        running.processes = nullptr;
    }
    Checker(const Checker&) = delete;
    Checker& operator=(const Checker&) = delete;

    // Every check of the table, in order; false when the module cannot be loaded, after which
    // each later check is skipped.
    bool checkAll(std::ostream& errors) {
        for (const ContractCheck& check : contractChecks()) {
            using Kind = ContractCheck::Kind;
            switch (check.kind) {
                case Kind::Runtime:
                    checkRuntime(check.title);
                    break;
                case Kind::Load:
                    checkLoad(check.title, errors);
                    break;
                case Kind::ExportPresent:
                    checkExport(check.title, check.needs.front());
                    break;
                case Kind::CheckProcess:
                    runIsolated(check.title, check.id, check.needs);
                    break;
                case Kind::CallOrder:
                    checkCallOrder(check.title);
                    break;
                case Kind::FreshLoads:
                    checkFreshLoads(check.title);
                    break;
            }
        }
        return !loadFailed_;
    }

private:
    void checkRuntime(const std::string& title) {
        if (!fileProblem_.empty()) return run_.skip(title, fileProblem_);
        const RuntimeJudgement judgement = judgeModuleRuntime(module_);
        switch (judgement.verdict) {
            case RuntimeJudgement::Verdict::Same:
                run_.add(true, title, judgement.seen);
                break;
            case RuntimeJudgement::Verdict::Different:
                run_.add(false, title, judgement.seen);
                foreignRuntime_ = true;
                break;
            case RuntimeJudgement::Verdict::Unknown:
                run_.skip(title, judgement.seen);
                break;
        }
    }

    void checkLoad(const std::string& title, std::ostream& errors) {
        const auto started = Clock::now();
        IsolatedOutcome load;
        if (fileProblem_.empty()) {
            load = processes_.run(loadId, input_);
        } else {
            load.outcome.seen = fileProblem_;
        }
        const auto time = Clock::now() - started;
        if (!load.outcome.passed) {
            run_.add(false, title, load.outcome.seen, time);
            errors << "addon-host: " << escapeControls(options_.module.string()) << ": "
                   << escapeControls(load.outcome.seen) << '\n';
            loadFailed_ = true;
            return;
        }
        run_.add(true, title, std::string(), time);
        try {
            const auto found = load.outcome.data.at(outcomeExports).get<std::vector<std::string>>();
            exports_ = std::set<std::string>(found.begin(), found.end());
        } catch (const nlohmann::json::exception&) {
            // A well-framed outcome without the list: the load check found none.
        }
    }

    void checkExport(const std::string& title, const std::string& name) {
        if (loadFailed_) {
            run_.skip(title, loadFailedReason);
        } else if (exports_.count(name) != 0) {
            run_.add(true, title, std::string());
        } else {
            const std::string cxxName = cxxOnlyExport(name, module_);
            run_.add(false, title, cxxName.empty() ? std::string("not exported") : cxxName);
        }
    }

    // Why a check that calls into the module cannot run, if it cannot.
    std::optional<std::string> skipReason(const std::vector<std::string>& needs) const {
        if (loadFailed_) return std::string(loadFailedReason);
        if (foreignRuntime_)
            return std::string("needs the host's C++ runtime, which the module does not use");
        for (const std::string& name : needs) {
            if (exports_.count(name) == 0) return "needs " + name + ", which is missing";
        }
        return std::nullopt;
    }

    // Runs one check in a process of its own and adds its line.
    void runIsolated(const std::string& title, const std::string& id,
                     const std::vector<std::string>& needs) {
        if (const auto reason = skipReason(needs)) return run_.skip(title, *reason);
        const auto started = Clock::now();
        const IsolatedOutcome result = processes_.run(id, input_);
        run_.add(result.outcome.passed, title, result.outcome.seen, Clock::now() - started);
    }

    // Runs the check processes `rounds` one after the other, each a fresh load, until one
    // fails; adds the check's line.
    void runRounds(const std::string& title,
                   const std::vector<std::pair<std::string, std::string>>& rounds) {
        if (const auto reason = skipReason({})) return run_.skip(title, *reason);
        const auto started = Clock::now();
        std::string seen;
        for (const auto& [id, round] : rounds) {
            const IsolatedOutcome outcome = processes_.run(id, input_);
            if (!outcome.outcome.passed) {
                return run_.add(false, title, round + ": " + outcome.outcome.seen,
                                Clock::now() - started);
            }
            seen = outcome.outcome.seen;
        }
        run_.add(true, title, "digest " + seen, Clock::now() - started);
    }

    // A snapshot taken forward in one process, held to one taken the other way round in
    // another: a fresh load, so that no answer may depend on an earlier call. The first
    // snapshot is handed on from process to process, never through the checker.
    void checkCallOrder(const std::string& title) {
        runRounds(title, {{firstSnapshotId, "asked forward"},
                          {reverseSnapshotId, "asked the other way round"}});
    }

    void checkFreshLoads(const std::string& title) {
        runRounds(title, {{firstSnapshotId, "first load"},
                          {againSnapshotId, "second load"},
                          {againSnapshotId, "third load"}});
    }

    const CheckOptions& options_;
    std::filesystem::path module_;
    CheckRun& run_;
    CheckProcesses processes_;
    std::string fileProblem_;
    CheckInput input_;
    std::set<std::string> exports_;
    bool foreignRuntime_ = false;
    bool loadFailed_ = false;
};

}  // namespace

int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& errors) {
    // The report is written at the end; a path that cannot take it is refused before any check
    // runs (opened to append, so that an earlier report stays until the new one is complete).
    if (!options.junitFile.empty()) {
        errno = 0;
        const bool writable = static_cast<bool>(std::ofstream(options.junitFile, std::ios::app));
        const int error = errno;
        if (!writable) {
            errors << "addon-host: cannot write the JUnit report " << options.junitFile.string()
                   << systemReason(error) << '\n';
            return checkBadCommandLine;
        }
    }
    // Whatever a module starts becomes this process's to end, and how a check process ended
    // is read whatever the caller did to SIGCHLD.
    platform::superviseDescendants();
    static std::once_flag handlerInstalled;
    std::call_once(handlerInstalled, [] { platform::onEndRequest(endRunEarly); });

    // The check processes start elsewhere; they must find the same file.
    std::error_code ignored;
    const std::filesystem::path module = std::filesystem::absolute(options.module, ignored);

    CheckRun run(out, options.json);
    {
        RunningCheck& running = runningCheck();
        const std::lock_guard<std::mutex> lock(running.mutex);
        running.options = &options;
        running.run = &run;
    }
    int exitCode = checkPassed;
    const auto trouble = [&](const std::string& what) {
        // The checker's own trouble (no temporary folder, a file it cannot write, no memory
        // left): no verdict on the checks that did not run.
        errors << "addon-host: cannot check " << escapeControls(options.module.string()) << ": "
               << what << '\n';
        run.add(false, checkerTrouble, what);
        exitCode = checkUnloadable;
    };
    try {
        Checker checker(options, module, run);
        if (!checker.checkAll(errors)) exitCode = checkUnloadable;
    } catch (const std::bad_alloc&) {
        trouble("out of memory");
    } catch (const std::exception& error) {
        trouble(error.what());
    } catch (...) {
        trouble("an unknown error");
    }
    platform::endRemainingChildren();
    run.finish(options.module.string());
    if (exitCode == checkPassed && run.anyFailed()) exitCode = checkFailed;

    bool reportWritten = true;
    {
        RunningCheck& running = runningCheck();
        const std::lock_guard<std::mutex> lock(running.mutex);
        running.options = nullptr;
        running.run = nullptr;
        if (!options.junitFile.empty())
            reportWritten = writeJUnitFile(options, run.results(), &errors);
    }
    return reportWritten ? exitCode : checkBadCommandLine;
}

}  // namespace host
