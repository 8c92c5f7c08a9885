#include "addon001/log/reader/log_record_output.h"

#include <boost/nowide/convert.hpp>
#include <boost/nowide/utf/utf.hpp>
#include <cerrno>
#include <system_error>

#include "addon001/log/reader/log_time.h"
#include "addon001/log/text_conversion.h"

namespace logreading {

OutputBuffer::OutputBuffer(std::FILE* out, std::size_t capacity)
    : out_(out),
      capacity_(capacity == 0 ? defaultCapacity : capacity),
      buffered_(new char[capacity_]) {}

OutputBuffer::~OutputBuffer() {
    try {
        flush();
    } catch (const OutputError&) {
        // Reported by an explicit flush; a destructor must not throw.
    }
}

void OutputBuffer::writeOut() {
    const std::size_t used = used_;
    used_ = 0;
    write(std::string_view(buffered_.get(), used));
}

void OutputBuffer::write(std::string_view text) {
    if (text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) {
        throw OutputError(std::error_code(errno, std::generic_category()).message());
    }
}

void OutputBuffer::flush() {
    writeOut();
    if (std::fflush(out_) != 0) {
        throw OutputError(std::error_code(errno, std::generic_category()).message());
    }
}

void writeRecordText(OutputBuffer& out, const LogRecord& record) {
    out.append(record.text);
    if (record.truncated) out.append(" [truncated]");
    out.append('\n');
}

std::string logTextToUtf8(std::string_view bytes) {
    using Utf8 = boost::nowide::utf::utf_traits<char>;
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (at != end) {
        const boost::nowide::utf::code_point decoded = Utf8::decode(at, end);
        if (decoded == boost::nowide::utf::illegal || decoded == boost::nowide::utf::incomplete) {
            return boost::nowide::narrow(Log::toWide(std::string(bytes)));
        }
    }
    return std::string(bytes);
}

nlohmann::ordered_json recordJson(const LogRecord& record) {
    nlohmann::ordered_json json;
    json["file"] = logTextToUtf8(record.file != nullptr ? *record.file : std::string());
    json["line"] = record.line;
    json["day"] = record.day;
    if (record.header) {
        const LineHeader& header = *record.header;
        json["time"] = formatTimeOfDay(header.time);
        json["level"] = header.level ? nlohmann::ordered_json(*header.level) : nullptr;
        json["levelText"] = header.levelText;
        json["thread"] = header.thread;
    } else {
        json["time"] = nullptr;
        json["level"] = nullptr;
        json["levelText"] = nullptr;
        json["thread"] = nullptr;
    }
    json["message"] = logTextToUtf8(record.message());
    json["truncated"] = record.truncated;
    return json;
}

void writeRecordJson(OutputBuffer& out, const LogRecord& record) {
    // logTextToUtf8 made every text valid UTF-8; the replacement only guards against a text the two
    // libraries judge differently.
    out.append(
        recordJson(record).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    out.append('\n');
}

}  // namespace logreading
