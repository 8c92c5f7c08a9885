#include "addon001/log/reader/log_record_output.h"

#include <algorithm>
#include <boost/nowide/convert.hpp>
#include <boost/nowide/utf/utf.hpp>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "addon001/log/format.h"
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

namespace {
// The length of the valid UTF-8 sequence at `at` (lead byte 0xC2 or above), or 0.
std::size_t utf8Length(const unsigned char* at, const unsigned char* end) {
    const unsigned char lead = at[0];
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong form
        if (lead == 0xED) high = 0x9F;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - at) < length) return 0;
    if (at[1] < low || at[1] > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (at[i] < 0x80 || at[i] > 0xBF) return 0;
    }
    return length;
}

// Whether the eight bytes at `at` are all below 0x80.
bool asciiWord(const unsigned char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return (word & 0x8080808080808080u) == 0;
}

bool isValidUtf8(std::string_view text) {
    const auto* at = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = at + text.size();
    while (at != end) {
        if (end - at >= 8 && asciiWord(at)) {
            at += 8;
            continue;
        }
        if (*at < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = utf8Length(at, end);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

// Whether the eight bytes at `at` go into a JSON string as they are: none below 0x20, none a
// quote, a backslash, DEL or above.
bool plainJsonWord(const unsigned char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    const auto hasZero = [](std::uint64_t value) { return (value - ones) & ~value & highs; };
    const std::uint64_t control = (word - ones * 0x20) & ~word & highs;  // a byte below 0x20
    const std::uint64_t high = (word + ones * 0x01) & highs;             // 0x7F or above
    return (control | high | (word & highs) | hasZero(word ^ (ones * '"')) |
            hasZero(word ^ (ones * '\\'))) == 0;
}

const char hexDigits[] = "0123456789abcdef";

void appendHexByte(OutputBuffer& out, unsigned char byte) {
    const char text[4] = {'\\', 'x', hexDigits[byte >> 4], hexDigits[byte & 15]};
    out.append(std::string_view(text, 4));
}

// Valid UTF-8 as the value of a JSON string, quoted.
void appendJsonString(OutputBuffer& out, std::string_view text) {
    out.append('"');
    const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t plain = 0;  // start of the bytes not written yet that need no escape
    const auto escape = [&](std::size_t at, std::size_t skip, std::string_view with) {
        out.append(text.substr(plain, at - plain));
        out.append(with);
        plain = at + skip;
    };
    for (std::size_t i = 0; i < size; ++i) {
        while (size - i >= 8 && plainJsonWord(begin + i)) i += 8;
        if (i == size) break;
        const unsigned char c = begin[i];
        if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F) {
            // A C1 control in UTF-8: 0xC2 and a second byte below 0xA0 (the text is valid).
            if (c == 0xC2 && begin[i + 1] < 0xA0) {
                const char code[6] = {'\\',
                                      'u',
                                      '0',
                                      '0',
                                      hexDigits[begin[i + 1] >> 4],
                                      hexDigits[begin[i + 1] & 15]};
                escape(i, 2, std::string_view(code, 6));
                ++i;
            }
            continue;
        }
        switch (c) {
            case '"':
                escape(i, 1, "\\\"");
                break;
            case '\\':
                escape(i, 1, "\\\\");
                break;
            case '\n':
                escape(i, 1, "\\n");
                break;
            case '\t':
                escape(i, 1, "\\t");
                break;
            case '\r':
                escape(i, 1, "\\r");
                break;
            default: {
                const char code[6] = {'\\', 'u', '0', '0', hexDigits[c >> 4], hexDigits[c & 15]};
                escape(i, 1, std::string_view(code, 6));
            }
        }
    }
    out.append(text.substr(plain));
    out.append('"');
}

// Log text as a JSON string: UTF-8 as it is, other text converted (logTextToUtf8).
void appendLogTextJson(OutputBuffer& out, std::string_view text) {
    if (isValidUtf8(text)) {
        appendJsonString(out, text);
    } else {
        appendJsonString(out, logTextToUtf8(text));
    }
}

void appendNumber(OutputBuffer& out, std::uint64_t value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(std::string_view(text, static_cast<std::size_t>(end - text)));
}

void appendMarkers(OutputBuffer& out, const LogRecord& record) {
    if (record.cutBytes > 0) {
        out.append(" [cut: ");
        appendNumber(out, record.cutBytes);
        out.append(" bytes left out]");
    }
    if (record.truncated) out.append(" [truncated]");
    out.append('\n');
}
}  // namespace

void appendVisible(OutputBuffer& out, std::string_view text) {
    const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = begin + text.size();
    const auto* plain = begin;
    const auto flush = [&](const unsigned char* at) {
        out.append(std::string_view(reinterpret_cast<const char*>(plain),
                                    static_cast<std::size_t>(at - plain)));
    };
    for (const unsigned char* at = begin; at != end;) {
        const unsigned char c = *at;
        if ((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n') {
            ++at;
            continue;
        }
        if (c >= 0x80) {
            const std::size_t length = utf8Length(at, end);
            if (length > 0 && !(c == 0xC2 && at[1] < 0xA0)) {
                at += length;
                continue;
            }
            if (length == 0 && c >= 0xA0) {
                ++at;  // a byte of another code page: no control
                continue;
            }
            flush(at);
            for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i)
                appendHexByte(out, at[i]);
            at += std::max<std::size_t>(length, 1);
            plain = at;
            continue;
        }
        flush(at);
        if (c == '\r') {
            out.append("\\r");
        } else {
            appendHexByte(out, c);
        }
        plain = ++at;
    }
    flush(end);
}

void writeRecordText(OutputBuffer& out, const LogRecord& record, bool visible) {
    if (visible) {
        appendVisible(out, record.text);
    } else {
        out.append(record.text);
    }
    appendMarkers(out, record);
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

void writeRecordJson(OutputBuffer& out, const LogRecord& record) {
    out.append("{\"file\":");
    appendLogTextJson(out, record.file != nullptr ? std::string_view(*record.file) : "");
    out.append(",\"line\":");
    appendNumber(out, record.line);
    out.append(",\"day\":");
    if (record.day < 0) out.append('-');
    appendNumber(out, static_cast<std::uint64_t>(record.day < 0 ? -record.day : record.day));
    if (record.header) {
        const LineHeader& header = *record.header;
        char time[Log::format::headerCapacity];
        char* const timeEnd = Log::format::putMilliseconds(
            Log::format::putClock(time, header.time / 3'600'000, header.time / 60'000 % 60,
                                  header.time / 1000 % 60),
            header.time % 1000);
        out.append(",\"time\":\"");
        out.append(std::string_view(time, static_cast<std::size_t>(timeEnd - time)));
        out.append("\",\"level\":");
        if (header.level) {
            if (*header.level < 0) out.append('-');
            appendNumber(out, static_cast<std::uint64_t>(std::abs(*header.level)));
        } else {
            out.append("null");
        }
        out.append(",\"levelText\":\"");
        out.append(header.levelText);
        out.append("\",\"thread\":");
        appendNumber(out, header.thread);
    } else {
        out.append(",\"time\":null,\"level\":null,\"levelText\":null,\"thread\":null");
    }
    out.append(",\"message\":");
    appendLogTextJson(out, record.message());
    out.append(record.truncated ? ",\"truncated\":true" : ",\"truncated\":false");
    out.append(",\"cutBytes\":");
    appendNumber(out, record.cutBytes);
    out.append("}\n");
}

}  // namespace logreading
