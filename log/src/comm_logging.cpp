#include "addon001/log/comm_logging.h"

#include <atomic>
#include <string>

#include "addon001/log/hex_dump.h"
#include "addon001/log/log_statement.h"
#include "addon001/log/text_conversion.h"

namespace Log {

namespace {
// Read without any ordering: it orders nothing else, and a dump that starts or stops a moment
// late does no harm. Constant-initialised, so it is off before any other code of the module runs.
std::atomic<bool> commLogging{false};
}  // namespace

void setCommLogging(bool on) {
    commLogging.store(on, std::memory_order_relaxed);
}

void logComm(const wchar_t* label, const void* data, std::uint32_t length) {
    if (!commLogging.load(std::memory_order_relaxed)) return;
    std::wstring dump;
    formatBytes(label, data, length, dump);
    LOG_AT(INF) << "[Comm] " << toNarrow(dump);
}

}  // namespace Log
