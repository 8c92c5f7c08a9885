// toNarrow and toWide with arbitrary text: narrow text of any bytes and wide text of any
// character values, NUL and values outside Unicode included.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "addon001/log/text_conversion.h"
#include "fuzz_check.h"

namespace {

void checkNarrowText(const std::string& narrow) {
    const std::wstring wide = Log::toWide(narrow);
    fuzzing::check(wide.size() == narrow.size(), "toWide keeps the length");
    for (std::size_t index = 0; index < narrow.size(); ++index) {
        const auto byte = static_cast<unsigned char>(narrow[index]);
        if (byte < 0x80) fuzzing::check(wide[index] == byte, "toWide keeps ASCII");
    }
    fuzzing::check(Log::toNarrow(wide) == narrow, "every byte string survives toWide and back");
    // The zero-terminated overload takes the text up to its first NUL.
    fuzzing::check(Log::toWide(narrow.c_str()) == Log::toWide(narrow.substr(0, narrow.find('\0'))),
                   "toWide of a zero-terminated text");
    fuzzing::check(Log::toNarrow(narrow) == narrow, "toNarrow of narrow text copies");
}

void checkWideText(const std::wstring& wide) {
    const std::string narrow = Log::toNarrow(wide);
    fuzzing::check(narrow.size() == wide.size(), "toNarrow keeps the length");
    // Each character converts on its own: to its code-page byte, which converts back to it, or
    // to the default character "?" when the code page lacks it.
    const std::wstring back = Log::toWide(narrow);
    for (std::size_t index = 0; index < wide.size(); ++index) {
        if (wide[index] >= 0 && wide[index] < 0x80) {
            fuzzing::check(narrow[index] == static_cast<char>(wide[index]), "toNarrow keeps ASCII");
        }
        fuzzing::check(back[index] == wide[index] || narrow[index] == '?',
                       "a character converts to its own byte or to the default character");
    }
    fuzzing::check(Log::toNarrow(wide.c_str()) == Log::toNarrow(wide.substr(0, wide.find(L'\0'))),
                   "toNarrow of a zero-terminated text");
    std::ostringstream stream;
    using Log::operator<<;
    stream << wide;
    fuzzing::check(stream.str() == narrow, "a wide string inserted into a narrow stream");
    fuzzing::check(Log::toWide(wide) == wide, "toWide of wide text copies");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkNarrowText(std::string(reinterpret_cast<const char*>(data), size));

    // The same bytes read as wide characters, whatever their values.
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    if (!wide.empty()) std::memcpy(wide.data(), data, wide.size() * sizeof(wchar_t));
    checkWideText(wide);
    return 0;
}
