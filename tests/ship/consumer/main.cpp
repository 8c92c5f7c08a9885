// Uses the logging library as another developer would: a record through the logging
// statement, and a report of a caught exception.
#include <addon001/log/exception_report.h>
#include <addon001/log/log_statement.h>
#include <addon001/log/version.h>

#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>

void reportDrive(const std::wstring& code);

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: consumer LOG_FILE\n";
        return 1;
    }
    Log::RollingOutputToFile::open(std::filesystem::path(argv[1]).wstring());
    LOG_AT(Log::INF) << "consumer logs with addonlog " << ADDONLOG_VERSION_STRING;
    reportDrive(L"HX-140");
    try {
        throw std::runtime_error("on purpose");
    } catch (const std::exception& error) {
        LOG_AT(Log::ERR) << error;
    }
    Log::RollingOutputToFile::close();
    std::cout << "consumer logged with addonlog " << ADDONLOG_VERSION_STRING << '\n';
    return 0;
}
