// addon-host: the reference host. Loads an add-on module at run time, asks it everything
// through its exports with the host's own containers, and prints the answers.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "addon001/log/rolling_output_to_file.h"
#include "addon001/platform/wide_path_file.h"
#include "addon_client.h"
#include "check.h"
#include "null_pointer_probe.h"
#include "report.h"

namespace {
constexpr int exitBadCommandLine = 1;
constexpr int exitLoadFailure = 2;

int fail(const std::string& moduleFile, const std::string& problem) {
    std::cerr << "addon-host: " << moduleFile << ": " << problem << '\n';
    return exitLoadFailure;
}
}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "addon-host: loads an add-on module at run time and prints what it answers through its\n"
        "exports: identity, version, interface version, the drive catalogue (when the module\n"
        "exports getAsDIVector) and the features with their version texts for every catalogue\n"
        "drive type and every --drive code.\n\n"
        "Exit codes: 0 answered (with --check: every check passed); 1 bad command line; 2 the\n"
        "module could not be used (missing file, not a loadable module, a required export\n"
        "missing, or a refused load; with --check: only when it cannot be loaded at all);\n"
        "3 with --check: a check failed."};
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
    app.add_flag("--json", json, "Print the answers as one JSON document");
    std::string logFile;
    app.add_option("--log", logFile,
                   "Append one log record per call into the module to FILE (rolled over into "
                   "FILE.1 to FILE.6 past 10 MiB)")
        ->type_name("FILE");
    bool check = false;
    app.add_flag("--check", check,
                 "Check the module against the interface contract the host relies on: one line "
                 "per check, PASS or FAIL with what was seen");
    // Used by --check, which starts this program again to make one call with a null pointer.
    std::string nullPointerProbe;
    app.add_option(host::nullPointerProbeOption, nullPointerProbe)->group("");
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
    if (!nullPointerProbe.empty()) {
        return host::runNullPointerProbe(moduleFile, nullPointerProbe,
                                         extraDriveTypes.empty() ? "" : extraDriveTypes.front());
    }
    if (check) {
        return host::runCheck({moduleFile, extraDriveTypes, host::programFile()}, std::cout,
                              std::cerr);
    }

    try {
        const host::AddonClient client(moduleFile);
        const host::Report report = host::collectReport(client, extraDriveTypes);
        if (json) {
            host::printJson(std::cout, report);
        } else {
            host::printText(std::cout, moduleFile, report);
        }
    } catch (const host::ModuleLoadError& error) {
        return fail(moduleFile, error.what());
    } catch (const host::MissingExportError& error) {
        return fail(moduleFile, error.what());
    } catch (const char* text) {
        return fail(moduleFile, std::string("the module threw: ") + text);
    } catch (const std::exception& error) {
        return fail(moduleFile, std::string("the module threw: ") + error.what());
    }
    return 0;
}
