#pragma once

// The four ways of writing the sample record (sample_record.h) that the record benchmarks and
// the instruction counts compare: ours, the two peers and the floor. Each writer opens its file
// in the scratch folder when made, writes one record per call, and closes the file when
// destroyed. Any thread may call write() of one writer at the same time.
#include <cstdint>
#include <memory>
#include <string>

namespace bench {

class RecordWriter {
public:
    virtual ~RecordWriter() = default;
    // One record; `sequence` varies the parameter as sampleParameter() does.
    virtual void write(std::int64_t sequence) = 0;
    // Empty while the writer works; otherwise what failed.
    virtual std::string problem() const = 0;
};

// What each record holds.
enum class RecordShape {
    text,     // catalogueFailureMessage: one text, nothing to format
    numbers,  // sampleMessage: texts and two numbers to format
};

// "ours", "spdlog", "log4cplus" or "floor"; null for any other name.
std::unique_ptr<RecordWriter> makeRecordWriter(const std::string& kind, RecordShape shape);

}  // namespace bench
