#pragma once

#include <boost/noncopyable.hpp>
#include <exception>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

#include "addon001/log/detail/line_stream.h"

namespace Log {

namespace detail {
// Whether an output's write takes a std::string_view (else it takes a std::string).
template <class Output, class = void>
struct WritesViews : std::false_type {};
template <class Output>
struct WritesViews<Output, std::void_t<decltype(Output::write(std::string_view()))>>
    : std::true_type {};
}  // namespace detail

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
        try {
            emit();
        } catch (...) {
            if (std::uncaught_exceptions() == 0) throw;
        }
    }

    // Writes the line header for `level` and returns the stream for the message.
    std::ostream& start(int level) {
        Format::writeHeader(*lineStream, level);
        return *lineStream;
    }

private:
    // The line end added, the line handed over as it stands in the record's own stream: an
    // output that takes a view gets it without a copy.
    void emit() {
        lineStream->endLine();
        if constexpr (detail::WritesViews<Output>::value) {
            Output::write(lineStream->view());
        } else {
            Output::write(lineStream->str());
        }
    }

    // The thread's stream for this record (see LineStreamLease).
    LineStreamLease lineStream;
};

}  // namespace Log
