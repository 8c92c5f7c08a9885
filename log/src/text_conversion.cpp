#include "addon001/log/text_conversion.h"

#include <algorithm>
#include <new>

#include "addon001/log/record_stream.h"
#include "addon001/platform/code_page.h"

namespace Log {

std::string toNarrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    std::string narrow(text.size(), '\0');
    platform::ansiFromWide(text.data(), text.size(), narrow.data(), narrow.size());
    return narrow;
}

std::string toNarrow(const wchar_t* text) {
    return text == nullptr ? std::string() : toNarrow(std::wstring(text));
}

std::string toNarrow(const std::string& text) {
    return text;
}

std::string toNarrow(const char* text) {
    return text == nullptr ? std::string() : text;
}

std::wstring toWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    std::wstring wide(text.size(), L'\0');
    platform::wideFromAnsi(text.data(), text.size(), wide.data(), wide.size());
    return wide;
}

std::wstring toWide(const char* text) {
    return text == nullptr ? std::wstring() : toWide(std::string(text));
}

std::wstring toWide(const std::wstring& text) {
    return text;
}

std::wstring toWide(const wchar_t* text) {
    return text == nullptr ? std::wstring() : text;
}

namespace detail {
void insertWide(std::ostream& stream, const wchar_t* text, std::size_t length) {
    if (length == 0) return;
    // A typical text converts into the stack; a longer one into a string. Memory running out
    // turns the stream bad, as it does for a narrow text the record's stream cannot hold.
    char onStack[256];
    std::string onHeap;
    char* narrow = onStack;
    if (length > sizeof onStack) {
        try {
            onHeap.assign(length, '\0');
        } catch (const std::bad_alloc&) {
            stream.setstate(std::ios_base::badbit);
            return;
        }
        narrow = onHeap.data();
    } else {
        std::fill(onStack, onStack + length, '\0');
    }
    platform::ansiFromWide(text, length, narrow, length);
    stream.write(narrow, static_cast<std::streamsize>(length));
}
}  // namespace detail

std::ostream& operator<<(std::ostream& stream, const std::wstring& text) {
    return stream << toNarrow(text);
}

}  // namespace Log
