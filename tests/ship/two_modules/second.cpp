#include <addon001/log/log_statement.h>

// Logs one record into whatever log file the process has open.
__attribute__((visibility("default"))) bool secondLog() {
    LOG_AT(Log::WAR) << "record of the second module";
    return Log::RollingOutputToFile::isEnabled();
}
