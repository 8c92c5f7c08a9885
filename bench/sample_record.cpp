#include "sample_record.h"

#include <sstream>

#include "addon001/platform/thread_id.h"

namespace bench {

std::string sampleMessage(int parameter) {
    std::ostringstream message;
    message << "Drive " << sampleDrive << " answered parameter " << parameter << " in "
            << sampleElapsedMs << " ms";
    return message.str();
}

std::string sampleLine(int parameter) {
    std::ostringstream line;
    line << "00:00:00.000 INF " << platform::currentThreadId() << ' ' << sampleMessage(parameter)
         << '\n';
    return line.str();
}

std::string catalogueFailureLine() {
    std::ostringstream line;
    line << "00:00:00.000 INF " << platform::currentThreadId() << ' ' << catalogueFailureMessage
         << '\n';
    return line.str();
}

}  // namespace bench
