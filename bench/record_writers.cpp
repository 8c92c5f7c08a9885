#include "record_writers.h"

#include <fcntl.h>
#include <log4cplus/fileappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <log4cplus/loggingmacros.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <unistd.h>

#include <atomic>

#include "addon001/log/log_statement.h"
#include "sample_record.h"
#include "scratch_folder.h"

namespace bench {

namespace {

class Ours : public RecordWriter {
public:
    explicit Ours(RecordShape shape) : shape_(shape) {
        Log::RollingOutputToFile::close();
        Log::RollingOutputToFile::open(scratchFile("ours.log").wstring());
    }
    ~Ours() override { Log::RollingOutputToFile::close(); }
    void write(std::int64_t sequence) override {
        if (shape_ == RecordShape::text) {
            LOG_AT(Log::INF) << catalogueFailureMessage;
            return;
        }
        const int parameter = sampleParameter(sequence);
        LOG_AT(Log::INF) << "Drive " << sampleDrive << " answered parameter " << parameter << " in "
                         << sampleElapsedMs << " ms";
    }
    std::string problem() const override {
        return Log::RollingOutputToFile::isEnabled() ? "" : "the log file is not open";
    }

private:
    RecordShape shape_;
};

class Spdlog : public RecordWriter {
public:
    explicit Spdlog(RecordShape shape) : shape_(shape) {
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
            scratchFile("spdlog.log").string(), Log::RollingOutputToFile::maxSize,
            Log::RollingOutputToFile::backupCount);
        logger_ = std::make_shared<spdlog::logger>("record", sink);
        logger_->set_pattern(peerPattern);
        logger_->flush_on(spdlog::level::trace);
    }
    void write(std::int64_t sequence) override {
        if (shape_ == RecordShape::text) {
            logger_->info(catalogueFailureMessage);
            return;
        }
        logger_->info("Drive {} answered parameter {} in {} ms", sampleDrive,
                      sampleParameter(sequence), sampleElapsedMs);
    }
    std::string problem() const override { return ""; }

private:
    RecordShape shape_;
    std::shared_ptr<spdlog::logger> logger_;
};

class Log4cplus : public RecordWriter {
public:
    explicit Log4cplus(RecordShape shape)
        : shape_(shape), logger_(log4cplus::Logger::getInstance("record")) {
        // The library is set up once for the program and torn down at its exit.
        static log4cplus::Initializer library;
        logger_.removeAllAppenders();
        log4cplus::SharedAppenderPtr appender(new log4cplus::RollingFileAppender(
            scratchFile("log4cplus.log").string(), Log::RollingOutputToFile::maxSize,
            Log::RollingOutputToFile::backupCount, true));
        appender->setLayout(std::make_unique<log4cplus::PatternLayout>(log4cplusPattern));
        logger_.addAppender(appender);
        logger_.setAdditivity(false);
        logger_.setLogLevel(log4cplus::INFO_LOG_LEVEL);
    }
    ~Log4cplus() override { logger_.removeAllAppenders(); }
    void write(std::int64_t sequence) override {
        if (shape_ == RecordShape::text) {
            LOG4CPLUS_INFO(logger_, catalogueFailureMessage);
            return;
        }
        const int parameter = sampleParameter(sequence);
        LOG4CPLUS_INFO(logger_, "Drive " << sampleDrive << " answered parameter " << parameter
                                         << " in " << sampleElapsedMs << " ms");
    }
    std::string problem() const override { return ""; }

private:
    RecordShape shape_;
    log4cplus::Logger logger_;
};

// The bare system call our sink makes per record: the line written.
class Floor : public RecordWriter {
public:
    explicit Floor(RecordShape shape)
        : file_(open(scratchFile("floor.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC,
                     0644)),
          line_(shape == RecordShape::text ? catalogueFailureLine()
                                           : sampleLine(sampleParameter(0))) {}
    ~Floor() override {
        if (file_ >= 0) close(file_);
    }
    void write(std::int64_t) override {
        if (::write(file_, line_.data(), line_.size()) != static_cast<ssize_t>(line_.size())) {
            failed_.store(true, std::memory_order_relaxed);
        }
    }
    std::string problem() const override {
        return file_ < 0 ? "cannot open the floor's file" : failed_.load() ? "write failed" : "";
    }

private:
    int file_;
    std::string line_;
    std::atomic<bool> failed_{false};
};

}  // namespace

std::unique_ptr<RecordWriter> makeRecordWriter(const std::string& kind, RecordShape shape) {
    if (kind == "ours") return std::make_unique<Ours>(shape);
    if (kind == "spdlog") return std::make_unique<Spdlog>(shape);
    if (kind == "log4cplus") return std::make_unique<Log4cplus>(shape);
    if (kind == "floor") return std::make_unique<Floor>(shape);
    return nullptr;
}

}  // namespace bench
