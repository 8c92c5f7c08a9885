// An emitted record: composed, written and flushed, on one thread and on two threads writing
// at once (record_writers.h). Peers: spdlog's rotating file sink (multi-threaded variant),
// flushed after every message, and log4cplus's RollingFileAppender with immediate flush, the
// peer with our semantics (a stream-composed message, a flush per record, the size asked of
// the file); both with the same size limit and backup count and a line of the same shape.
// Floor: the system calls our sink makes per record, one write(2) of a ready line of that
// length to a file opened for append and the lseek that asks for the write position. Times
// are wall-clock per record over all threads.
#include <benchmark/benchmark.h>

#include <memory>

#include "record_writers.h"

namespace {

std::unique_ptr<bench::RecordWriter> writer;

void record(benchmark::State& state, const char* kind) {
    if (state.thread_index() == 0) writer = bench::makeRecordWriter(kind);
    std::int64_t sequence = 0;
    for (auto _ : state) writer->write(sequence++);
    if (state.thread_index() == 0) {
        if (!writer->problem().empty()) state.SkipWithError(writer->problem().c_str());
        writer.reset();
    }
}

}  // namespace

BENCHMARK_CAPTURE(record, ours, "ours")->Name("record_1t/ours")->UseRealTime();
BENCHMARK_CAPTURE(record, spdlog, "spdlog")->Name("record_1t/peer")->UseRealTime();
BENCHMARK_CAPTURE(record, log4cplus, "log4cplus")->Name("record_1t/log4cplus")->UseRealTime();
BENCHMARK_CAPTURE(record, floor, "floor")->Name("record_1t/floor")->UseRealTime();
BENCHMARK_CAPTURE(record, ours, "ours")->Name("record_2t/ours")->Threads(2)->UseRealTime();
BENCHMARK_CAPTURE(record, spdlog, "spdlog")->Name("record_2t/peer")->Threads(2)->UseRealTime();
BENCHMARK_CAPTURE(record, log4cplus, "log4cplus")
    ->Name("record_2t/log4cplus")
    ->Threads(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(record, floor, "floor")->Name("record_2t/floor")->Threads(2)->UseRealTime();
