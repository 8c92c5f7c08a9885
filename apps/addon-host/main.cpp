// addon-host: the reference host. Loads an add-on module at run time, asks it everything
// through its exports with the host's own containers, and prints the answers; with --check,
// checks it against the interface contract instead.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "addon001/log/format.h"
#include "addon001/log/rolling_output_to_file.h"
#include "addon001/platform/wide_path_file.h"
#include "checker/check.h"
#include "checker/check_child.h"
#include "checker/check_protocol.h"
#include "client/addon_client.h"
#include "client/ask_module.h"
#include "help_formatter.h"
#include "module/module_loader.h"

namespace {

struct CommandLine {
    std::string module;
    std::vector<std::string> extraDriveTypes;
    bool json = false;
    std::string logFile;
    bool check = false;
    double timeoutSeconds = 10;
    std::string junitFile;
    int interfaceVersion = host::hostInterfaceVersion;
    // Given by --check, which starts this program again to run one check in a process of its
    // own.
    std::string checkChild;
    std::string checkFiles;
};

const char* const description =
    "addon-host: loads an add-on module at run time and prints what it answers through its\n"
    "exports: identity, version, interface version, the drive catalogue (when the module\n"
    "exports getAsDIVector) and the features with their version texts for every catalogue\n"
    "drive type and every --drive code.\n\n"
    "Exit codes: 0 answered (with --check: every check passed); 1 bad command line; 2 the\n"
    "module could not be used (missing file, not a loadable module, built against another\n"
    "C++ runtime, a required export missing, a refused load, or an export threw; with\n"
    "--check: only when it cannot be loaded at all); 3 with --check: a check failed.";

void describeOptions(CLI::App& app, CommandLine& line) {
    // Options are written --name on every system; a module path such as /tmp/Other.dll (under
    // Wine) is no Windows-style option.
    app.allow_windows_style_options(false);
    app.add_option("module", line.module,
                   "The module file to load (default: Addon001 beside this program)");
    app.add_option("--drive", line.extraDriveTypes,
                   "Also ask for the features of this drive type code (repeatable; the code is "
                   "passed byte for byte, blanks and case included)")
        ->allow_extra_args(false);
    app.add_flag("--json", line.json,
                 "Print the answers (with --check: the checks) as one JSON document");
    app.add_option("--log", line.logFile,
                   "Append one log record per call into the module to FILE (rolled over into "
                   "FILE.1 to FILE." +
                       std::to_string(Log::format::backupCount) + " past " +
                       std::to_string(Log::format::maxFileSize / (1024 * 1024)) + " MiB)")
        ->type_name("FILE");
    CLI::Option* checkFlag = app.add_flag(
        "--check", line.check,
        "Check the module against the interface contract the host relies on: one line per "
        "check, PASS, FAIL with what was seen, or SKIP, each check that calls into the module "
        "in a process of its own");
    app.add_option("--timeout", line.timeoutSeconds,
                   "With --check: end a check that has not returned after SECONDS and fail it "
                   "(default 10)")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber)
        ->needs(checkFlag);
    app.add_option("--junit", line.junitFile,
                   "With --check: also write the checks as a JUnit XML report to FILE")
        ->type_name("FILE")
        ->needs(checkFlag);
    app.add_option("--interface-version", line.interfaceVersion,
                   "With --check: the interface version getInterfaceVer must give, for a module "
                   "meant for a host that speaks another (default " +
                       std::to_string(host::hostInterfaceVersion) + ")")
        ->type_name("VERSION")
        ->check(CLI::PositiveNumber)
        ->needs(checkFlag);
    app.add_option(host::checkChildOption, line.checkChild)->group("");
    app.add_option(host::checkFilesOption, line.checkFiles)->group("");
}

host::CheckOptions checkOptions(const CommandLine& line) {
    host::CheckOptions options;
    options.module = line.module;
    options.extraDriveTypes = line.extraDriveTypes;
    options.hostProgram = host::programFile();
    options.timeLimit = std::chrono::milliseconds(
        static_cast<long long>(std::min(line.timeoutSeconds, 1e9) * 1000.0 + 0.5));
    options.json = line.json;
    options.junitFile = line.junitFile;
    options.interfaceVersion = line.interfaceVersion;
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{description};
    apps::useHelpFormatter(app);
    CommandLine line;
    describeOptions(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help prints the help and succeeds; any other bad command line gets CLI11's line
        // and the exit code 1, whatever CLI11's own code for the kind of error.
        return app.exit(error) == 0 ? 0 : host::exitBadCommandLine;
    }

    if (line.module.empty()) line.module = host::defaultModulePath().string();
    if (!line.logFile.empty()) {
        Log::RollingOutputToFile::open(platform::widenPath(line.logFile));
        if (!Log::RollingOutputToFile::isEnabled()) {
            std::cerr << "addon-host: cannot open log file " << line.logFile
                      << "; no log is written\n";
        }
    }
    if (!line.checkChild.empty()) {
        return host::runCheckChild(line.checkChild, line.checkFiles, line.module);
    }
    if (line.check) return host::runCheck(checkOptions(line), std::cout, std::cerr);
    return host::askModule({line.module, line.extraDriveTypes, line.json}, std::cout, std::cerr);
}
