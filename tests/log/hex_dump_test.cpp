#include "addon001/log/hex_dump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::wstring dump(const wchar_t* label, const void* data, std::uint32_t length) {
    std::wstring out;
    Log::formatBytes(label, data, length, out);
    return out;
}

TEST(FormatBytes, TwoUppercaseDigitsPerByteSeparatedBySpacesInBrackets) {
    const unsigned char bytes[] = {0x01, 0xAB, 0xFF};
    EXPECT_EQ(dump(L"TX", bytes, 3), L"TX: [01 AB FF]");
    const unsigned char newline = 0x0A;
    EXPECT_EQ(dump(L"RX", &newline, 1), L"RX: [0A]");
    const unsigned char extremes[] = {0x00, 0xFF};
    EXPECT_EQ(dump(L"RX", extremes, 2), L"RX: [00 FF]");
}

TEST(FormatBytes, EveryByteValueHasItsOwnDigits) {
    unsigned char bytes[256];
    std::wstring expected = L"all: [";
    const wchar_t* digits = L"0123456789ABCDEF";
    for (int value = 0; value < 256; ++value) {
        bytes[value] = static_cast<unsigned char>(value);
        expected += digits[value / 16];
        expected += digits[value % 16];
        expected += value == 255 ? L']' : L' ';
    }
    EXPECT_EQ(dump(L"all", bytes, 256), expected);
}

TEST(FormatBytes, NullOrEmptyLabelIsWrittenAsBytes) {
    const unsigned char byte = 0x7F;
    EXPECT_EQ(dump(nullptr, &byte, 1), L"bytes: [7F]");
    EXPECT_EQ(dump(L"", &byte, 1), L"bytes: [7F]");
    EXPECT_EQ(dump(nullptr, nullptr, 0), L"bytes: []");
}

TEST(FormatBytes, NoBytesGiveEmptyBrackets) {
    EXPECT_EQ(dump(L"TX", nullptr, 0), L"TX: []");
    const unsigned char unread = 0x55;
    EXPECT_EQ(dump(L"TX", &unread, 0), L"TX: []");
}

TEST(FormatBytes, NullDataWithALengthIsDumpedAsNoBytes) {
    EXPECT_EQ(dump(L"TX", nullptr, 16), L"TX: []");
}

TEST(FormatBytes, AppendsBehindExistingText) {
    const unsigned char bytes[] = {0xDE, 0xAD};
    std::wstring out = L"before ";
    Log::formatBytes(L"TX", bytes, 2, out);
    EXPECT_EQ(out, L"before TX: [DE AD]");
    Log::formatBytes(nullptr, nullptr, 0, out);
    EXPECT_EQ(out, L"before TX: [DE AD]bytes: []");
}

TEST(ToHexString, PadsBetweenPrefixAndDigitsToTheWidth) {
    EXPECT_EQ(Log::toHexString(8, 42), "0x0000002a");
    EXPECT_EQ(Log::toHexString(8, 0x80004005u), "0x80004005");
    EXPECT_EQ(Log::toHexString(2, 5), "0x05");
}

TEST(ToHexString, WritesLongerValuesWhole) {
    EXPECT_EQ(Log::toHexString(8, 0x123456789u), "0x123456789");
    EXPECT_EQ(Log::toHexString(8, UINT64_MAX), "0xffffffffffffffff");
}

TEST(ToHexString, ZeroHasNoPrefixAndIsAllZeros) {
    EXPECT_EQ(Log::toHexString(8, 0), "0000000000");
    EXPECT_EQ(Log::toHexString(1, 0), "000");
}

}  // namespace
