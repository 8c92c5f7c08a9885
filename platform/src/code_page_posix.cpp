#include "addon001/platform/code_page.h"

#include <algorithm>

#include <iconv.h>

namespace platform {

namespace {

// The code page that stands in for the system's ANSI code page, and the C library's name for the
// platform's wchar_t encoding.
constexpr const char* ansiCodePage = "CP1252";
constexpr const char* wideEncoding = "WCHAR_T";

// One conversion descriptor per call: a descriptor carries conversion state and must not be
// shared between threads.
class Descriptor {
public:
    Descriptor(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Descriptor() {
        if (valid()) iconv_close(handle_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return handle_; }

private:
    iconv_t handle_;
};

// What one character becomes when the C library has no counterpart for it. Windows maps the five
// byte values that Windows-1252 leaves undefined to the wide characters of the same value and
// back, so these do the same; every other wide character the code page lacks becomes the default
// character "?". Without a usable descriptor (the C library's conversion modules missing) every
// character goes this way, so ASCII text still converts correctly.
bool isUndefinedInCodePage(unsigned value) {
    return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}
char narrowFallback(wchar_t character) {
    const auto value = static_cast<unsigned>(character);
    return value < 0x80 || isUndefinedInCodePage(value) ? static_cast<char>(value) : '?';
}
wchar_t wideFallback(char byte) {
    return static_cast<wchar_t>(static_cast<unsigned char>(byte));
}

// Converts with the C library one character at a time, replacing each character it cannot
// convert by its fallback. One at a time because the C library does not report every character
// it cannot convert: it silently drops the Unicode tag characters (U+E0000 to U+E007F), which in
// a longer run would shift every later character forward and leave the end unfilled. Both code
// sets are single-unit and stateless, so one source character is one target character.
template <class From, class To, class Fallback>
std::size_t convert(const char* toCode, const char* fromCode, const From* source, std::size_t count,
                    To* target, std::size_t room, Fallback fallback) {
    if (count == 0 || room == 0) return 0;
    const Descriptor descriptor(toCode, fromCode);
    std::size_t written = 0;
    for (std::size_t index = 0; index < count && written < room; ++index) {
        To converted{};
        bool convertedWhole = false;
        if (descriptor.valid()) {
            // iconv takes a non-const input pointer but does not write through it.
            char* in = reinterpret_cast<char*>(const_cast<From*>(source + index));
            std::size_t inLeft = sizeof(From);
            char* out = reinterpret_cast<char*>(&converted);
            std::size_t outLeft = sizeof(To);
            const std::size_t result = iconv(descriptor.handle(), &in, &inLeft, &out, &outLeft);
            convertedWhole = result != static_cast<std::size_t>(-1) && inLeft == 0 && outLeft == 0;
        }
        target[written++] = convertedWhole ? converted : fallback(source[index]);
    }
    return written;
}

}  // namespace

std::size_t ansiFromWide(const wchar_t* source, std::size_t count, char* target, std::size_t room) {
    return convert(ansiCodePage, wideEncoding, source, count, target, room, narrowFallback);
}

std::size_t wideFromAnsi(const char* source, std::size_t count, wchar_t* target, std::size_t room) {
    return convert(wideEncoding, ansiCodePage, source, count, target, room, wideFallback);
}

}  // namespace platform
