#pragma once

// Numbered test records whose every line can be checked on its own: the message is
// "R w=<writer> s=<sequence> n=<length> <payload>", and the payload of `length` characters
// follows from the writer and the sequence number. A line is whole when it is a record header
// followed by exactly such a message; a cut, glued or padded line is not.
#include <cctype>
#include <cstddef>
#include <optional>
#include <sstream>
#include <string>

namespace logtest {

// Mostly short messages, and every 64th longer than many pages, so that a process killed or a
// disk filled in the middle of one write can leave a line cut short.
inline std::size_t payloadLength(int writer, long sequence) {
    if (sequence % 64 == 63) return 70000;
    return 20 + static_cast<std::size_t>((sequence * 37 + writer * 11) % 300);
}

inline std::string payload(int writer, long sequence) {
    std::string text(payloadLength(writer, sequence), ' ');
    for (std::size_t index = 0; index < text.size(); ++index) {
        text[index] = static_cast<char>('a' + (sequence + writer + static_cast<long>(index)) % 26);
    }
    return text;
}

inline std::string numberedMessage(int writer, long sequence) {
    std::ostringstream message;
    message << "R w=" << writer << " s=" << sequence << " n=" << payloadLength(writer, sequence)
            << ' ' << payload(writer, sequence);
    return message.str();
}

// Whether `line` starts with a whole record header: "hh:mm:ss.mmm LVL threadid ". On success
// `messageStart` is where the message begins.
inline bool hasRecordHeader(const std::string& line, std::size_t& messageStart) {
    static const char shape[] = "dd:dd:dd.ddd LLL ";
    const std::size_t shapeLength = sizeof shape - 1;
    if (line.size() < shapeLength + 2) return false;
    for (std::size_t index = 0; index < shapeLength; ++index) {
        const unsigned char character = static_cast<unsigned char>(line[index]);
        const bool fits = shape[index] == 'd'   ? std::isdigit(character) != 0
                          : shape[index] == 'L' ? std::isupper(character) != 0 || character == '-'
                                                : line[index] == shape[index];
        if (!fits) return false;
    }
    std::size_t position = shapeLength;
    while (position < line.size() && std::isdigit(static_cast<unsigned char>(line[position]))) {
        ++position;
    }
    if (position == shapeLength || position >= line.size() || line[position] != ' ') return false;
    messageStart = position + 1;
    return true;
}

struct NumberedRecord {
    int writer = 0;
    long sequence = 0;
};

// The record that a whole line holds; nothing for any other line.
inline std::optional<NumberedRecord> parseNumberedLine(const std::string& line) {
    std::size_t start = 0;
    if (!hasRecordHeader(line, start) || line.compare(start, 4, "R w=") != 0) return std::nullopt;
    std::istringstream fields(line.substr(start + 4, 64));
    NumberedRecord record;
    std::size_t length = 0;
    std::string sequenceKey, lengthKey;
    fields >> record.writer;
    fields.ignore(1);
    std::getline(fields, sequenceKey, '=');
    fields >> record.sequence;
    fields.ignore(1);
    std::getline(fields, lengthKey, '=');
    fields >> length;
    if (!fields || sequenceKey != "s" || lengthKey != "n") return std::nullopt;
    const std::string expected = numberedMessage(record.writer, record.sequence);
    if (line.size() - start != expected.size() || line.compare(start, expected.size(), expected)) {
        return std::nullopt;
    }
    return record;
}

}  // namespace logtest
