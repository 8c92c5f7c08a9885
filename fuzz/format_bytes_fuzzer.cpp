// The dump text of arbitrary bytes under arbitrary labels, read back byte by byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "addon001/log/hex_dump.h"
#include "fuzz_check.h"

namespace {

int digitValue(wchar_t digit) {
    if (digit >= L'0' && digit <= L'9') return digit - L'0';
    if (digit >= L'A' && digit <= L'F') return digit - L'A' + 10;
    return -1;  // lowercase digits are wrong too
}

// Reads "XX XX ... XX" back into bytes; false when the text is not in that form.
bool readDump(const std::wstring& text, std::vector<std::uint8_t>& bytes) {
    if (text.size() % 3 != 2) return false;
    for (std::size_t at = 0; at < text.size(); at += 3) {
        const int high = digitValue(text[at]);
        const int low = digitValue(text[at + 1]);
        if (high < 0 || low < 0) return false;
        if (at + 2 < text.size() && text[at + 2] != L' ') return false;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool nullLabel = input.ConsumeBool();
    const bool nullData = input.ConsumeBool();
    // Labels of any 16-bit characters, NUL included (the label ends at the first one).
    std::wstring label;
    for (std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 32); length > 0;
         --length) {
        label += static_cast<wchar_t>(input.ConsumeIntegral<std::uint16_t>());
    }
    const std::wstring earlier = input.ConsumeBool() ? L"earlier text " : L"";
    const std::vector<std::uint8_t> bytes = input.ConsumeRemainingBytes<std::uint8_t>();

    std::wstring out = earlier;
    // A null block is not read whatever length comes with it.
    Log::formatBytes(nullLabel ? nullptr : label.c_str(), nullData ? nullptr : bytes.data(),
                     static_cast<std::uint32_t>(bytes.size()), out);

    std::wstring shownLabel = nullLabel ? L"" : std::wstring(label.c_str());
    if (shownLabel.empty()) shownLabel = L"bytes";
    const std::wstring head = earlier + shownLabel + L": [";
    fuzzing::check(out.compare(0, head.size(), head) == 0 && out.back() == L']',
                   "earlier text, label and brackets around the dump");
    const std::wstring dump = out.substr(head.size(), out.size() - head.size() - 1);
    if (nullData || bytes.empty()) {
        fuzzing::check(dump.empty(), "no bytes give an empty dump");
        return 0;
    }
    std::vector<std::uint8_t> readBack;
    fuzzing::check(readDump(dump, readBack), "two uppercase digits per byte, one space between");
    fuzzing::check(readBack == bytes, "the dump reads back as the bytes given");
    return 0;
}
