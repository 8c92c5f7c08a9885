#include "check.h"

#include <cerrno>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

#include "check_child.h"
#include "check_report.h"
#include "client/answer_snapshot.h"
#include "contract_checks.h"
#include "isolated_check.h"
#include "module/cxx_runtime.h"
#include "module/export_table.h"
#include "module/module_file.h"
#include "null_pointer_probe.h"

namespace host {

namespace {

// Drive types asked besides the catalogue's: the empty code and one no module knows.
const std::vector<std::string> probeDriveTypes = {"", "no such drive type"};

const char* const runtimeCheck = "the module uses the host's C++ runtime";
const char* const loadCheck = "the module loads";
const char* const loadFailedReason = "needs the module to load, which failed";
const char* const unloadCheck = "the module unloads";
const char* const repeatedCheck = "repeated calls give identical answers";
const char* const callOrderCheck =
    "answers do not depend on call order, asked again after a fresh load";

using Clock = std::chrono::steady_clock;

// ": <the system's words>" for a failed file operation's errno, when the system gave one.
std::string systemReason(int error) {
    return error == 0 ? std::string() : ": " + std::generic_category().message(error);
}

// Collects the results and, unless the run reports as JSON, writes each line as it comes, so
// that a long run shows how far it got.
class CheckRun {
public:
    CheckRun(std::ostream& out, bool json) : out_(out), json_(json) {}

    void add(CheckResult::Verdict verdict, const std::string& name, const std::string& seen,
             std::chrono::duration<double> time = {}) {
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
        for (const CheckResult& result : results_) {
            if (result.verdict == CheckResult::Verdict::Failed) return true;
        }
        return false;
    }
    const std::vector<CheckResult>& results() const { return results_; }

    void finish(const std::string& module) {
        if (json_) {
            writeCheckJson(out_, module, results_);
        } else {
            out_ << summaryLine(results_) << std::endl;
        }
    }

private:
    std::ostream& out_;
    bool json_;
    std::vector<CheckResult> results_;
};

class Checker {
public:
    Checker(const CheckOptions& options, const std::filesystem::path& module, CheckRun& run)
        : options_(options),
          module_(module),
          run_(run),
          processes_(options.hostProgram, module, options.timeLimit) {
        snapshotDriveTypes_ = options.extraDriveTypes;
        snapshotDriveTypes_.insert(snapshotDriveTypes_.end(), probeDriveTypes.begin(),
                                   probeDriveTypes.end());
        // Until the catalogue is known.
        input_.driveTypes = driveTypesAsked({}, snapshotDriveTypes_);
        input_.snapshotDriveTypes = snapshotDriveTypes_;
    }

    void checkRuntime() {
        const RuntimeJudgement judgement = judgeModuleRuntime(module_);
        switch (judgement.verdict) {
            case RuntimeJudgement::Verdict::Same:
                run_.add(true, runtimeCheck, judgement.seen);
                break;
            case RuntimeJudgement::Verdict::Different:
                run_.add(false, runtimeCheck, judgement.seen);
                foreignRuntime_ = true;
                break;
            case RuntimeJudgement::Verdict::Unknown:
                run_.skip(runtimeCheck, judgement.seen);
                break;
        }
    }

    // False when the module cannot be loaded; every later check is then skipped.
    bool checkLoad(std::ostream& errors) {
        const auto started = Clock::now();
        const IsolatedOutcome load = processes_.run(loadId, input_);
        const auto time = Clock::now() - started;
        if (!load.outcome.passed) {
            run_.add(false, loadCheck, load.outcome.seen, time);
            errors << "addon-host: " << options_.module.string() << ": " << load.outcome.seen
                   << '\n';
            loadFailed_ = true;
            return false;
        }
        run_.add(true, loadCheck, std::string(), time);
        const auto& found = load.outcome.data.at(outcomeExports);
        exports_ = std::set<std::string>(found.begin(), found.end());
        return true;
    }

    void checkExports() {
        for (const std::string& name : expectedExportNames()) {
            const std::string what = "export " + name + " is present";
            if (loadFailed_) {
                run_.skip(what, loadFailedReason);
            } else if (exports_.count(name) != 0) {
                run_.add(true, what, std::string());
            } else {
                const std::string cxxName = cxxOnlyExport(name, module_);
                run_.add(false, what, cxxName.empty() ? std::string("not exported") : cxxName);
            }
        }
    }

    void checkCalls() {
        for (const ContractCheck& check : exportChecks()) {
            const auto outcome = runIsolated(check.title, check.id, check.needs);
            if (!outcome) continue;
            // The catalogue's drive types are asked by the checks that follow, and the probes
            // pass one with features (only the checks that read them hand them on).
            if (outcome->data.contains(outcomeCatalogue)) {
                input_.driveTypes =
                    driveTypesAsked(outcome->data.at(outcomeCatalogue).get<addon::DriveInfoSet>(),
                                    snapshotDriveTypes_);
            }
            if (outcome->data.contains("firstWithFeatures")) {
                probeDriveType_ = outcome->data.at("firstWithFeatures").get<std::string>();
            }
        }
        runIsolated(repeatedCheck, repeatedCallsId, {});
        checkCallOrder();
        input_.probeDriveType =
            probeDriveType_
                ? *probeDriveType_
                : (input_.driveTypes.empty() ? std::string() : input_.driveTypes.front());
        for (const NullPointerProbe& probe : nullPointerProbes()) {
            runIsolated(probe.description + " does not crash", nullPointerIdPrefix + probe.name,
                        {probe.exportName});
        }
        runIsolated(unloadCheck, unloadId, {});
    }

private:
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

    // Runs one check in a process of its own and adds its line; the outcome when it returned.
    std::optional<CheckOutcome> runIsolated(const std::string& title, const std::string& id,
                                            const std::vector<std::string>& needs) {
        if (const auto reason = skipReason(needs)) {
            run_.skip(title, *reason);
            return std::nullopt;
        }
        const auto started = Clock::now();
        IsolatedOutcome result = processes_.run(id, input_);
        run_.add(result.outcome.passed, title, result.outcome.seen, Clock::now() - started);
        if (!result.returned) return std::nullopt;
        return std::move(result.outcome);
    }

    // A snapshot taken forward in one process, held to one taken the other way round in
    // another: a fresh load, so that no answer may depend on an earlier call.
    void checkCallOrder() {
        if (const auto reason = skipReason({})) {
            run_.skip(callOrderCheck, *reason);
            return;
        }
        const auto started = Clock::now();
        CheckInput input = input_;
        const IsolatedOutcome forward = processes_.run(forwardSnapshotId, input);
        const auto failed = [&](const std::string& round, const IsolatedOutcome& outcome) {
            run_.add(false, callOrderCheck, round + ": " + outcome.outcome.seen,
                     Clock::now() - started);
        };
        if (!forward.returned) return failed("asked forward", forward);
        const AnswerSnapshot first = snapshotFromData(forward.outcome.data.at(outcomeSnapshot));
        input.snapshotDriveTypes = first.driveTypes;
        const IsolatedOutcome reverse = processes_.run(reverseSnapshotId, input);
        if (!reverse.returned) return failed("asked the other way round", reverse);
        const std::string difference =
            firstDifference(first, snapshotFromData(reverse.outcome.data.at(outcomeSnapshot)));
        run_.add(difference.empty(), callOrderCheck, difference, Clock::now() - started);
    }

    const CheckOptions& options_;
    std::filesystem::path module_;
    CheckRun& run_;
    CheckProcesses processes_;
    std::vector<std::string> snapshotDriveTypes_;
    CheckInput input_;
    std::optional<std::string> probeDriveType_;
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
    // The check processes start elsewhere; they must find the same file.
    std::error_code ignored;
    const std::filesystem::path module = std::filesystem::absolute(options.module, ignored);

    CheckRun run(out, options.json);
    int exitCode = checkPassed;
    try {
        Checker checker(options, module, run);
        checker.checkRuntime();
        // After a failed load the later checks are each skipped, in their order.
        if (!checker.checkLoad(errors)) exitCode = checkUnloadable;
        checker.checkExports();
        checker.checkCalls();
    } catch (const std::exception& error) {
        // The checker's own trouble (no temporary folder, a file it cannot write): no verdict
        // on the checks that did not run.
        errors << "addon-host: cannot check " << options.module.string() << ": " << error.what()
               << '\n';
        run.finish(options.module.string());
        return checkUnloadable;
    }
    run.finish(options.module.string());
    if (exitCode == checkPassed && run.anyFailed()) exitCode = checkFailed;

    if (!options.junitFile.empty()) {
        errno = 0;
        std::ofstream report(options.junitFile, std::ios::trunc);
        writeJUnit(report, options.module.string(), run.results());
        report.close();
        const int error = errno;
        if (!report) {
            errors << "addon-host: cannot write the JUnit report " << options.junitFile.string()
                   << systemReason(error) << '\n';
            return checkBadCommandLine;
        }
    }
    return exitCode;
}

}  // namespace host
