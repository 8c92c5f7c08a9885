#pragma once

#include <string>
#include <utility>

#include "addon001/log/log_statement.h"

namespace host {

// Makes the call into the module and one log record for it: the export's name, its argument
// and the result, or that it threw (the exception goes on to the caller). Costs nothing
// beyond the call while no log file is open.
template <class Call>
int loggedCall(const char* exportName, const std::string& argument, Call&& call) {
    try {
        const int result = std::forward<Call>(call)();
        LOG_AT(Log::INF) << exportName << '(' << argument << ") returned " << result;
        return result;
    } catch (...) {
        LOG_AT(Log::ERR) << exportName << '(' << argument << ") threw";
        throw;
    }
}

}  // namespace host
