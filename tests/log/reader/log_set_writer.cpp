// Writes a log set through the real sink, for the tests that read one written by another build:
// two threads, messages with line breaks and of every level, records large enough that the set
// rotates twice. Usage: log_set_writer LIVE_FILE
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "addon001/log/log_statement.h"
#include "addon001/platform/wide_path_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: log_set_writer LIVE_FILE\n";
        return 1;
    }
    Log::RollingOutputToFile::open(platform::widenPath(argv[1]));
    if (!Log::RollingOutputToFile::isEnabled()) {
        std::cerr << "log_set_writer: cannot open " << argv[1] << '\n';
        return 1;
    }
    const int levels[] = {Log::FAT, Log::ERR, Log::WAR, Log::INF, Log::DBG, Log::DB3, 45};
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 2; ++writer) {
        writers.emplace_back([writer, &levels] {
            for (int number = 0; number < 80; ++number) {
                LOG_AT(levels[number % 7])
                    << "writer " << writer << " record " << number
                    << (number % 4 == 0 ? "\n  continued\n\tand tabbed" : "") << " "
                    << std::string(static_cast<std::size_t>(100 * 1024 + number * 997),
                                   static_cast<char>('a' + number % 26));
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    Log::RollingOutputToFile::close();
    return 0;
}
