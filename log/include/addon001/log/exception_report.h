#pragma once

#include <exception>
#include <ostream>

#include "addon001/log/export.h"

// The platform's COM error type (see platform/com_error.h).
class _com_error;

namespace Log {

// Reports of caught exceptions, written into a narrow stream (typically a log record) on one line
// without a line end, so that more can follow. Callers outside namespace Log bring them in with
// `using Log::operator<<;`.

// "Caught ", the readable name of the exception's dynamic type, ": " and its what() text.
ADDONLOG_API std::ostream& operator<<(std::ostream& stream, const std::exception& error);

// "Caught _com_error Code = <code> Code meaning = <meaning> Source = <source> Error Description =
// <description>". The code is the 32-bit result code read as unsigned, so a failure code is
// written as its eight hexadecimal digits (0x80004005), never sign-extended to sixteen. A missing
// source or description, and a missing meaning (the platform yields none only when it cannot
// allocate the text), are written as "???"; a text that is present but empty is written empty.
ADDONLOG_API std::ostream& operator<<(std::ostream& stream, const _com_error& error);

}  // namespace Log
