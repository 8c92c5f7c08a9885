#include "ask_module.h"

#include <cstdlib>
#include <exception>
#include <iostream>

#include "addon001/platform/stdout_diversion.h"
#include "addon_client.h"
#include "call_log.h"
#include "module/cxx_runtime.h"
#include "module/thrown_description.h"
#include "report.h"

namespace host {

namespace {
// The module being asked, and where its problems are reported, for the terminate handler.
std::string askedModule;
std::ostream* terminationOutput = &std::cerr;

// An exception that no handler can catch (one thrown by a static constructor while the system
// loader runs it, or through a function that promised not to throw) ends in std::terminate: one
// line and exitModuleUnusable as for any other exception of the module, no abort. The module is
// still loaded here, so what it threw can be read.
[[noreturn]] void reportTermination() {
    std::string how = "std::terminate was called";
    if (const std::string thrown = describeActiveException(); !thrown.empty()) {
        how += " after the module " + thrown;
    }
    *terminationOutput << "addon-host: " << askedModule << ": " << how << std::endl;
    std::_Exit(exitModuleUnusable);
}
}  // namespace

int askModule(const AskOptions& options, std::ostream& out, std::ostream& errors) {
    const std::string& moduleFile = options.module;
    const auto fail = [&](const std::string& problem) {
        errors << "addon-host: " << moduleFile << ": " << problem << '\n';
        return exitModuleUnusable;
    };
    askedModule = moduleFile;
    terminationOutput = &errors;
    std::set_terminate(reportTermination);
    // Before any code of the module runs: the host's containers cross the boundary by pointer,
    // so a module of another C++ runtime would corrupt memory on its first call.
    const RuntimeJudgement runtime = judgeModuleRuntime(moduleFile);
    if (runtime.verdict == RuntimeJudgement::Verdict::Different) {
        return fail("built against another C++ runtime than the host's: " + runtime.seen +
                    "; the host does not call into it");
    }
    try {
        const AddonClient client(moduleFile);
        Report report;
        {
            const platform::StdoutDiversion diversion;
            report = collectReport(client, options.extraDriveTypes);
        }
        if (options.json) {
            printJson(out, report);
        } else {
            printText(out, moduleFile, report);
        }
    } catch (const ModuleLoadError& error) {
        return fail(error.what());
    } catch (const MissingExportError& error) {
        return fail(error.what());
    } catch (const ModuleCallError& error) {
        // What the module threw was read while it was loaded (call_log.h).
        return fail(error.what());
    }
    return exitAnswered;
}

}  // namespace host
