#include "addon001/log/hex_dump.h"

#include <iomanip>
#include <sstream>

namespace Log {

namespace {
constexpr wchar_t hexDigits[] = L"0123456789ABCDEF";
constexpr wchar_t defaultLabel[] = L"bytes";
}  // namespace

void formatBytes(const wchar_t* label, const void* data, std::uint32_t length, std::wstring& out) {
    // Without data there is nothing that could safely be read: show the block as empty.
    if (data == nullptr) length = 0;

    // One reservation for the whole dump (three characters per byte and room for the label),
    // made on top of what `out` already holds so that appending does not reallocate either.
    out.reserve(out.size() + std::size_t{length} * 3 + 50);
    out += (label == nullptr || label[0] == L'\0') ? defaultLabel : label;
    if (length == 0) {
        out += L": []";
        return;
    }
    out += L": [";
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::uint32_t index = 0; index < length; ++index) {
        out += hexDigits[bytes[index] >> 4];
        out += hexDigits[bytes[index] & 0x0F];
        out += L' ';
    }
    out.back() = L']';
}

std::string toHexString(int width, std::uint64_t value) {
    std::ostringstream stream;
    stream << std::showbase << std::hex << std::setw(width + 2) << std::internal
           << std::setfill('0') << value;
    return stream.str();
}

}  // namespace Log
