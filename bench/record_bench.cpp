// An emitted record: composed, written and flushed, on one thread and on two threads writing
// at once (record_writers.h). Peers: spdlog's rotating file sink (multi-threaded variant),
// flushed after every message, and log4cplus's RollingFileAppender with immediate flush, the
// peer with our semantics (a stream-composed message, a flush per record, the size asked of
// the file); both with the same size limit and backup count and a line of the same shape.
// Floor: the system call our sink makes per record, one write(2) of a ready line of that
// length to a file opened for append. Times
// are wall-clock per record over all threads. The record is the add-on's own, one text; the
// record_numbers rows format two numbers besides.
#include <benchmark/benchmark.h>

#include <memory>

#include "record_writers.h"

namespace {

std::unique_ptr<bench::RecordWriter> writer;

void record(benchmark::State& state, const char* kind, bench::RecordShape shape) {
    if (state.thread_index() == 0) writer = bench::makeRecordWriter(kind, shape);
    std::int64_t sequence = 0;
    for (auto _ : state) writer->write(sequence++);
    if (state.thread_index() == 0) {
        if (!writer->problem().empty()) state.SkipWithError(writer->problem().c_str());
        writer.reset();
    }
}

// Registers one row's four benchmarks: ours, the two peers and the floor.
int registerRow(const char* row, bench::RecordShape shape, int threads) {
    for (const char* kind : {"ours", "spdlog", "log4cplus", "floor"}) {
        const std::string name =
            std::string(row) + "/" + (std::string(kind) == "spdlog" ? std::string("peer") : kind);
        benchmark::RegisterBenchmark(name.c_str(), record, kind, shape)
            ->Threads(threads)
            ->UseRealTime();
    }
    return 0;
}

const int rows = registerRow("record_1t", bench::RecordShape::text, 1) +
                 registerRow("record_2t", bench::RecordShape::text, 2) +
                 registerRow("record_numbers_1t", bench::RecordShape::numbers, 1);

}  // namespace
