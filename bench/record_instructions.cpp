// Instructions per emitted record, counted by callgrind: run this program under
// `valgrind --tool=callgrind` (scripts/bench.sh does). For each writer of record_writers.h it
// writes some records to warm up, zeroes callgrind's counts, writes `records` records on one
// thread and dumps the counts under the writer's name; bench/instruction_table.py divides.
// Instruction counts are user space only and hold still on a shared machine.
// Usage: addon-bench-instructions [RECORDS] [WRITER...]   (default 20000, every writer)
#include <valgrind/callgrind.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "record_writers.h"

int main(int argc, char** argv) {
    const long records = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    std::vector<std::string> kinds(argv + (argc > 1 ? 2 : 1), argv + argc);
    if (kinds.empty()) kinds = {"ours", "spdlog", "log4cplus", "floor"};
    if (records <= 0) {
        std::cerr << "addon-bench-instructions: RECORDS must be a positive number\n";
        return 2;
    }
    for (const auto& [shape, shapeName] : {std::pair(bench::RecordShape::text, "text"),
                                           std::pair(bench::RecordShape::numbers, "numbers")}) {
        for (const std::string& kind : kinds) {
            auto writer = bench::makeRecordWriter(kind, shape);
            if (!writer) {
                std::cerr << "addon-bench-instructions: no writer " << kind << '\n';
                return 2;
            }
            for (long sequence = 0; sequence < 1000; ++sequence) writer->write(sequence);
            CALLGRIND_ZERO_STATS;
            for (long sequence = 0; sequence < records; ++sequence) writer->write(sequence);
            // callgrind reads the text after the request's first statement: it must outlive it.
            const std::string label =
                "records " + std::to_string(records) + " " + shapeName + " " + kind;
            CALLGRIND_DUMP_STATS_AT(label.c_str());
            if (!writer->problem().empty()) {
                std::cerr << "addon-bench-instructions: " << kind << ": " << writer->problem()
                          << '\n';
                return 1;
            }
        }
    }
    return 0;
}
