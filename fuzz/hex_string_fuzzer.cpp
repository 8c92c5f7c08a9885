// toHexString with arbitrary values and widths, negative and zero widths included.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "addon001/log/hex_dump.h"
#include "fuzz_check.h"

namespace {

// The value's lowercase hexadecimal digits without leading zeros ("0" for zero).
std::string digitsOf(std::uint64_t value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdef"[value % 16]);
        value /= 16;
    } while (value != 0);
    return digits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    // Widths a caller could plausibly pass, including nonsense ones; a width in the millions
    // would only measure the allocator.
    const int width = input.ConsumeIntegralInRange<int>(-1000, 1000);
    const std::uint64_t value = input.ConsumeIntegral<std::uint64_t>();

    const std::string text = Log::toHexString(width, value);
    if (value == 0) {
        // No prefix for zero: width + 2 zeros, at least one.
        const std::size_t zeros = static_cast<std::size_t>(std::max(width + 2, 1));
        fuzzing::check(text == std::string(zeros, '0'), "zero is written as width + 2 zeros");
        return 0;
    }
    const std::string digits = digitsOf(value);
    const std::size_t padding = width > static_cast<int>(digits.size())
                                    ? static_cast<std::size_t>(width) - digits.size()
                                    : 0;
    fuzzing::check(text == "0x" + std::string(padding, '0') + digits,
                   "0x, zeros up to width digits, then every digit of the value");
    return 0;
}
