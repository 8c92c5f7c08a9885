// The log reader's record assembly and header parser on any bytes, read in pieces of any size
// and with any cap on a record's text, checked against a plain statement of the format: lines end
// at LF (a CR before it is no part of the line), a line whose first bytes are a header starts a
// record, any other line belongs to the record before it (or starts one at the file's start),
// and a record keeps the first `cap` bytes of its lines joined by LF, counting the rest. So every
// byte of the input is in exactly one record, kept or counted.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addon001/log/reader/log_record_assembler.h"
#include "fuzz_check.h"

namespace {

struct Header {
    int time = 0;
    std::string levelText;
    std::uint32_t thread = 0;
    std::size_t messageStart = 0;
};

struct Record {
    std::string text;
    std::uint64_t line = 0;
    std::optional<Header> header;
    bool truncated = false;
    std::uint64_t cut = 0;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int number(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

// "hh:mm:ss.mmm LVL thread message", written out field by field.
std::optional<Header> headerOf(std::string_view line) {
    const std::string_view shape = "00:00:00.000 ";
    if (line.size() < shape.size() + 5) return std::nullopt;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == '0' ? !isDigit(line[i]) : line[i] != shape[i]) return std::nullopt;
    }
    const int hours = number(line, 0, 2);
    const int minutes = number(line, 3, 2);
    const int seconds = number(line, 6, 2);
    if (hours > 23 || minutes > 59 || seconds > 59) return std::nullopt;
    Header header;
    header.time = ((hours * 60 + minutes) * 60 + seconds) * 1000 + number(line, 9, 3);
    header.levelText = std::string(line.substr(13, 3));
    const char* const levels[] = {"FAT", "ERR", "WAR", "INF", "DBG", "DB1", "DB2", "DB3", "---"};
    if (std::none_of(std::begin(levels), std::end(levels),
                     [&](const char* level) { return header.levelText == level; }) ||
        line[16] != ' ') {
        return std::nullopt;
    }
    std::size_t end = 17;
    while (end < line.size() && isDigit(line[end])) ++end;
    const std::string_view digits = line.substr(17, end - 17);
    if (digits.empty() || digits.size() > 10 || (digits.size() > 1 && digits[0] == '0') ||
        std::stoull(std::string(digits)) > 4294967295u) {
        return std::nullopt;
    }
    if (end < line.size() && line[end] != ' ') return std::nullopt;
    header.thread = static_cast<std::uint32_t>(std::stoull(std::string(digits)));
    header.messageStart = end < line.size() ? end + 1 : end;
    return header;
}

std::vector<Record> expectedRecords(std::string_view input, std::size_t cap) {
    std::vector<Record> records;
    std::uint64_t joined = 0;  // the current record's lines joined, uncut
    std::uint64_t lineNumber = 0;
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t newline = input.find('\n', at);
        const bool ended = newline != std::string_view::npos;
        std::string_view content = input.substr(at, (ended ? newline : input.size()) - at);
        at = ended ? newline + 1 : input.size();
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        ++lineNumber;
        const std::optional<Header> header = headerOf(content.substr(0, cap));
        if (header || records.empty()) {
            records.push_back({std::string(content.substr(0, cap)), lineNumber, header, !ended, 0});
            joined = content.size();
        } else {
            Record& record = records.back();
            const std::string added = "\n" + std::string(content.substr(0, cap));
            record.text += added.substr(0, cap - record.text.size());
            record.truncated = !ended;
            joined += 1 + content.size();
        }
        records.back().cut = joined - records.back().text.size();
    }
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::size_t cap = provider.ConsumeIntegralInRange<std::size_t>(1, 160);
    std::vector<std::size_t> pieces;
    for (int i = 0; i < 4; ++i)
        pieces.push_back(provider.ConsumeIntegralInRange<std::size_t>(1, 64));
    const std::string input = provider.ConsumeRemainingBytesAsString();

    const std::string file = "app.log";
    std::vector<Record> read;
    logreading::ReadEvents events;
    events.record = [&](const logreading::LogRecord& record) {
        fuzzing::check(record.file == &file, "a record names its file");
        std::optional<Header> header;
        if (record.header) {
            header = Header{record.header->time, record.header->levelText, record.header->thread,
                            record.header->messageStart};
        }
        read.push_back(
            {std::string(record.text), record.line, header, record.truncated, record.cutBytes});
    };
    logreading::RecordAssembler assembler(pieces[0], cap);
    assembler.startFile(&file);
    for (std::size_t at = 0, piece = 0; at < input.size(); ++piece) {
        char* const space = assembler.space();
        const std::size_t length =
            std::min({assembler.spaceSize(), pieces[piece % pieces.size()], input.size() - at});
        fuzzing::check(length > 0, "the assembler always has room");
        std::memcpy(space, input.data() + at, length);
        assembler.take(length, events);
        at += length;
    }
    assembler.endOfFile(events);

    const std::vector<Record> expected = expectedRecords(input, cap);
    fuzzing::check(read.size() == expected.size(), "one record per header line or file start");
    std::uint64_t accounted = 0;
    for (std::size_t i = 0; i < read.size(); ++i) {
        const Record& got = read[i];
        const Record& want = expected[i];
        fuzzing::check(got.text == want.text, "a record's text is its first lines up to the cap");
        fuzzing::check(got.cut == want.cut, "the bytes past the cap are counted");
        fuzzing::check(got.line == want.line, "a record starts at its first line's number");
        fuzzing::check(got.truncated == want.truncated, "only a last line without LF is truncated");
        fuzzing::check(got.header.has_value() == want.header.has_value(),
                       "headers are the format's");
        if (got.header) {
            fuzzing::check(got.header->time == want.header->time &&
                               got.header->levelText == want.header->levelText &&
                               got.header->thread == want.header->thread &&
                               got.header->messageStart == want.header->messageStart,
                           "a header's fields are the line's");
        }
        accounted += got.text.size() + got.cut;
    }
    // Every byte in one record: the kept and counted bytes, the LF and CR of the line ends, less
    // the LF that joins the lines of a record.
    std::uint64_t lines = 0;
    std::uint64_t ends = 0;
    for (std::size_t at = 0; at < input.size(); ++lines) {
        const std::size_t newline = input.find('\n', at);
        const std::size_t end = newline == std::string::npos ? input.size() : newline;
        ends += (newline != std::string::npos ? 1 : 0) + (end > at && input[end - 1] == '\r');
        at = newline == std::string::npos ? input.size() : newline + 1;
    }
    fuzzing::check(accounted + ends - (lines - read.size()) == input.size(),
                   "every input byte is in exactly one record");
    return 0;
}
