#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include "addon001/log/log_statement.h"
#include "module/thrown_description.h"

namespace host {

// A call into the module that threw. It holds what was thrown, read while the module was
// still loaded: the thrown object, its text and its type may all live in the module, whose
// memory is gone once the module is unloaded while the exception passes.
class ModuleCallError : public std::runtime_error {
public:
    ModuleCallError(const std::string& call, const std::string& thrown)
        : std::runtime_error(call + " " + thrown) {}
};

// Makes the call into the module and one log record for it: the export's name, its argument
// and the result, or that it threw; what it threw goes on to the caller as a ModuleCallError.
// Costs nothing beyond the call while no log file is open.
template <class Call>
int loggedCall(const char* exportName, const std::string& argument, Call&& call) {
    try {
        const int result = std::forward<Call>(call)();
        LOG_AT(Log::INF) << exportName << '(' << argument << ") returned " << result;
        return result;
    } catch (...) {
        const std::string thrown = describeThrown();
        LOG_AT(Log::ERR) << exportName << '(' << argument << ") threw";
        throw ModuleCallError(std::string(exportName) + "(" + argument + ")", thrown);
    }
}

}  // namespace host
