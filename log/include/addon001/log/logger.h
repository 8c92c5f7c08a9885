#pragma once

#include <boost/noncopyable.hpp>
#include <exception>
#include <ostream>
#include <string>

#include "addon001/log/detail/line_stream.h"

namespace Log {

// One log record: the line is composed in the record's own stream without any lock, and handed
// whole to Output::write when the record is destroyed, also while an exception leaves the
// statement that made it (the line then holds what had been inserted so far).
template <class Output, class Format>
class Logger : boost::noncopyable {
public:
    Logger() = default;

    // Errors of the output (its lock) reach the caller, except while another exception is
    // already unwinding the stack: throwing then would end the process, so the line is dropped.
    virtual ~Logger() noexcept(false) {
        if (std::uncaught_exceptions() > 0) {
            try {
                emit();
            } catch (...) {
            }
        } else {
            emit();
        }
    }

    // Writes the line header for `level` and returns the stream for the message.
    std::ostream& start(int level) {
        Format::writeHeader(lineStream, level);
        return lineStream;
    }

private:
    void emit() {
        lineStream << '\n';
        lineStream.flush();
        std::string line = lineStream.str();
        // A stream that turned bad (memory ran out, a null char* was inserted) refuses every
        // further insertion, the line end among them. The line is then shorter, but still
        // ends with its line end, so that the next record does not continue it.
        if (!lineStream.good()) line += '\n';
        Output::write(line);
    }

    LineStream lineStream;
};

}  // namespace Log
