#include <addon001/log/log_statement.h>

// Opens and closes the process's log file, and logs one record.
__attribute__((visibility("default"))) void firstOpen(const wchar_t* path) {
    Log::RollingOutputToFile::open(path);
    LOG_AT(Log::INF) << "record of the first module";
}

__attribute__((visibility("default"))) void firstClose() {
    Log::RollingOutputToFile::close();
}
