#pragma once

// How one call ended when one of its allocations was made to fail.
#include <functional>
#include <new>
#include <string>

#include "failing_allocation.h"

namespace allocation_outcome {

enum class Outcome { Completed, BadAlloc, FailureText, Other };

inline const char* nameOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::Completed:
            return "completed";
        case Outcome::BadAlloc:
            return "std::bad_alloc";
        case Outcome::FailureText:
            return "the failure text";
        case Outcome::Other:
            return "another exception";
    }
    return "?";
}

// Runs `call` with its `number`-th allocation failing; a call that never reached it completed.
// The failure text is what the drive catalogue throws in place of a failed drive-info string.
inline Outcome runFailing(long number, const std::function<void()>& call) {
    failing_allocation::Scope failing(number);
    try {
        call();
        return Outcome::Completed;
    } catch (const std::bad_alloc&) {
        return Outcome::BadAlloc;
    } catch (const char* text) {
        return std::string(text) == "CString setDriveInfoString() failed" ? Outcome::FailureText
                                                                          : Outcome::Other;
    } catch (...) {
        return Outcome::Other;
    }
}

}  // namespace allocation_outcome
