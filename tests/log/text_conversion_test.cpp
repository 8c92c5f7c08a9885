#include "addon001/log/text_conversion.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using Log::toNarrow;
using Log::toWide;

TEST(TextConversion, EmptyAndNullTextsGiveEmptyResults) {
    EXPECT_EQ(toNarrow(std::wstring()), "");
    EXPECT_EQ(toNarrow(L""), "");
    EXPECT_EQ(toNarrow(static_cast<const wchar_t*>(nullptr)), "");
    EXPECT_EQ(toNarrow(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(toWide(std::string()), L"");
    EXPECT_EQ(toWide(""), L"");
    EXPECT_EQ(toWide(static_cast<const char*>(nullptr)), L"");
    EXPECT_EQ(toWide(static_cast<const wchar_t*>(nullptr)), L"");
}

TEST(TextConversion, CharactersOfTheCodePageConvertBothWays) {
    // e acute has the same value in the code page; the euro sign does not.
    const std::wstring wide = L"caf\u00E9 5\u20AC";
    const std::string narrow = "caf\xE9 5\x80";
    EXPECT_EQ(toNarrow(wide), narrow);
    EXPECT_EQ(toNarrow(wide.c_str()), narrow);
    EXPECT_EQ(toWide(narrow), wide);
    EXPECT_EQ(toWide(narrow.c_str()), wide);
}

TEST(TextConversion, CharactersTheCodePageLacksBecomeTheDefaultCharacter) {
    EXPECT_EQ(toNarrow(L"a\u4E2Db"), "a?b");
    // Outside 16 bits: one wchar_t where wchar_t has 32 bits, a pair of them where it has 16;
    // the result keeps the source's length either way.
    const std::wstring outside = L"\U0001F600";
    const std::string narrow = toNarrow(outside);
    ASSERT_EQ(narrow.size(), outside.size());
    EXPECT_EQ(narrow[0], '?');
}

// Unicode tag characters: a conversion library may drop them without reporting them, which
// would shift the rest of the text forward and leave its end unfilled.
TEST(TextConversion, CharactersTheConversionDropsStillTakeTheirPlace) {
    const std::wstring tagged = L"a\U000E0001\U000E0041b";
    const std::string narrow = toNarrow(tagged);
    ASSERT_EQ(narrow.size(), tagged.size());
    EXPECT_EQ(narrow.substr(0, 2), "a?");
    EXPECT_NE(narrow.find("?b"), std::string::npos) << narrow;
}

TEST(TextConversion, EveryByteSurvivesTheWayToWideAndBack) {
    std::string allBytes;
    for (int value = 0; value < 256; ++value) allBytes += static_cast<char>(value);
    const std::wstring wide = toWide(allBytes);
    ASSERT_EQ(wide.size(), allBytes.size());
    EXPECT_EQ(wide[0x41], L'A');
    EXPECT_EQ(wide[0x80], L'\u20AC');
    EXPECT_EQ(wide[0x9F], L'\u0178');
    EXPECT_EQ(wide[0xFF], L'\u00FF');
    EXPECT_EQ(toNarrow(wide), allBytes);
}

TEST(TextConversion, SameWidthOverloadsCopyUnchanged) {
    // Bytes that are not meant as code-page text pass through untouched.
    const std::string bytes = "\xE4\xB8\xAD";
    EXPECT_EQ(toNarrow(bytes), bytes);
    EXPECT_EQ(toNarrow(bytes.c_str()), bytes);
    const std::wstring wide = L"\u4E2D";
    EXPECT_EQ(toWide(wide), wide);
    EXPECT_EQ(toWide(wide.c_str()), wide);
}

TEST(TextConversion, WideStringInsertsItsNarrowFormAndReturnsTheStream) {
    using Log::operator<<;
    std::ostringstream stream;
    stream << std::wstring(L"\u20AC\u4E2D") << '|';
    EXPECT_EQ(stream.str(), "\x80?|");
}

}  // namespace
