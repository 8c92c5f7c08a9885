// addon-host: the reference host. Loads an add-on module at run time, asks it everything
// through its exports with the host's own containers, and prints the answers.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "addon001/log/rolling_output_to_file.h"
#include "addon001/platform/stdout_diversion.h"
#include "addon001/platform/wide_path_file.h"
#include "checker/check.h"
#include "checker/check_child.h"
#include "checker/check_protocol.h"
#include "client/addon_client.h"
#include "client/call_log.h"
#include "client/report.h"
#include "module/cxx_runtime.h"
#include "module/thrown_description.h"

namespace {
constexpr int exitBadCommandLine = 1;
constexpr int exitLoadFailure = 2;

int fail(const std::string& moduleFile, const std::string& problem) {
    std::cerr << "addon-host: " << moduleFile << ": " << problem << '\n';
    return exitLoadFailure;
}

// The module the host is asking, for the line of the terminate handler.
std::string askedModule;

// An exception that no handler can catch (one thrown by a static constructor while the system
// loader runs it, or through a function that promised not to throw) ends in std::terminate: one
// line and exit code 2 as for any other exception of the module, no abort. The module is still
// loaded here, so what it threw can be read.
[[noreturn]] void reportTermination() {
    std::string how = "std::terminate was called";
    if (const std::string thrown = host::describeActiveException(); !thrown.empty()) {
        how += " after the module " + thrown;
    }
    std::cerr << "addon-host: " << askedModule << ": " << how << std::endl;
    std::_Exit(exitLoadFailure);
}
}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "addon-host: loads an add-on module at run time and prints what it answers through its\n"
        "exports: identity, version, interface version, the drive catalogue (when the module\n"
        "exports getAsDIVector) and the features with their version texts for every catalogue\n"
        "drive type and every --drive code.\n\n"
        "Exit codes: 0 answered (with --check: every check passed); 1 bad command line; 2 the\n"
        "module could not be used (missing file, not a loadable module, built against another\n"
        "C++ runtime, a required export missing, a refused load, or an export threw; with\n"
        "--check: only when it cannot be loaded at all); 3 with --check: a check failed."};
    // Options are written --name on every system; a module path such as /tmp/Other.dll (under
    // Wine) is no Windows-style option.
    app.allow_windows_style_options(false);
    std::string moduleFile;
    std::vector<std::string> extraDriveTypes;
    bool json = false;
    app.add_option("module", moduleFile,
                   "The module file to load (default: Addon001 beside this program)");
    app.add_option("--drive", extraDriveTypes,
                   "Also ask for the features of this drive type code (repeatable; the code is "
                   "passed byte for byte, blanks and case included)")
        ->allow_extra_args(false);
    app.add_flag("--json", json,
                 "Print the answers (with --check: the checks) as one JSON document");
    std::string logFile;
    app.add_option("--log", logFile,
                   "Append one log record per call into the module to FILE (rolled over into "
                   "FILE.1 to FILE.6 past 10 MiB)")
        ->type_name("FILE");
    bool check = false;
    CLI::Option* checkFlag = app.add_flag(
        "--check", check,
        "Check the module against the interface contract the host relies on: one line per "
        "check, PASS, FAIL with what was seen, or SKIP, each check that calls into the module "
        "in a process of its own");
    double timeoutSeconds = 10;
    app.add_option("--timeout", timeoutSeconds,
                   "With --check: end a check that has not returned after SECONDS and fail it "
                   "(default 10)")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber)
        ->needs(checkFlag);
    std::string junitFile;
    app.add_option("--junit", junitFile,
                   "With --check: also write the checks as a JUnit XML report to FILE")
        ->type_name("FILE")
        ->needs(checkFlag);
    // Used by --check, which starts this program again to run one check in a process of its
    // own.
    std::string checkChild;
    std::string checkFiles;
    app.add_option(host::checkChildOption, checkChild)->group("");
    app.add_option(host::checkFilesOption, checkFiles)->group("");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help prints the help and succeeds; any other bad command line gets CLI11's line
        // and the exit code 1, whatever CLI11's own code for the kind of error.
        return app.exit(error) == 0 ? 0 : exitBadCommandLine;
    }

    if (moduleFile.empty()) moduleFile = host::defaultModulePath().string();
    if (!logFile.empty()) {
        Log::RollingOutputToFile::open(platform::widenPath(logFile));
        if (!Log::RollingOutputToFile::isEnabled()) {
            std::cerr << "addon-host: cannot open log file " << logFile << "; no log is written\n";
        }
    }
    if (!checkChild.empty()) return host::runCheckChild(checkChild, checkFiles, moduleFile);
    if (check) {
        host::CheckOptions options;
        options.module = moduleFile;
        options.extraDriveTypes = extraDriveTypes;
        options.hostProgram = host::programFile();
        options.timeLimit = std::chrono::milliseconds(
            static_cast<long long>(std::min(timeoutSeconds, 1e9) * 1000.0 + 0.5));
        options.json = json;
        options.junitFile = junitFile;
        return host::runCheck(options, std::cout, std::cerr);
    }

    askedModule = moduleFile;
    std::set_terminate(reportTermination);
    // Before any code of the module runs: the host's containers cross the boundary by pointer,
    // so a module of another C++ runtime would corrupt memory on its first call.
    const host::RuntimeJudgement runtime = host::judgeModuleRuntime(moduleFile);
    if (runtime.verdict == host::RuntimeJudgement::Verdict::Different) {
        return fail(moduleFile, "built against another C++ runtime than the host's: " +
                                    runtime.seen + "; the host does not call into it");
    }
    try {
        const host::AddonClient client(moduleFile);
        host::Report report;
        {
            // What the module prints while it is called goes to the error output, so that the
            // host's own output stays one report (one JSON document with --json).
            const platform::StdoutDiversion diversion;
            report = host::collectReport(client, extraDriveTypes);
        }
        if (json) {
            host::printJson(std::cout, report);
        } else {
            host::printText(std::cout, moduleFile, report);
        }
    } catch (const host::ModuleLoadError& error) {
        return fail(moduleFile, error.what());
    } catch (const host::MissingExportError& error) {
        return fail(moduleFile, error.what());
    } catch (const host::ModuleCallError& error) {
        // What the module threw was read while it was loaded (call_log.h).
        return fail(moduleFile, error.what());
    }
    return 0;
}
