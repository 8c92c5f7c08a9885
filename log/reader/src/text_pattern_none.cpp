#include "addon001/log/reader/log_record_filter.h"

namespace logreading {

// Builds without a regular-expression engine (RE2 is not available to the Windows cross build)
// search for plain text only.
std::shared_ptr<const TextPattern> TextPattern::compile(const std::string&, std::string& problem) {
    problem = "this build of addon-log has no regular-expression engine; search for plain text";
    return nullptr;
}

}  // namespace logreading
