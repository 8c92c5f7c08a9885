#include "code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CodePage, WritesNoFurtherThanItsRoom) {
    std::string narrow = "xxxx";
    platform::ansiFromWide(L"abcdef", 6, narrow.data(), 2);
    EXPECT_EQ(narrow.substr(0, 2), "ab");
    EXPECT_EQ(narrow.substr(2), "xx");

    std::wstring wide = L"xxxx";
    platform::wideFromAnsi("abcdef", 6, wide.data(), 2);
    EXPECT_EQ(wide.substr(0, 2), L"ab");
    EXPECT_EQ(wide.substr(2), L"xx");
}

TEST(CodePage, ReportsTheCharactersWrittenAndConvertsNothingFromNothing) {
    char narrow[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(platform::ansiFromWide(L"h\u00E9!", 3, narrow, sizeof narrow), 3u);
    EXPECT_EQ(std::string(narrow, 4), "h\xE9!x");
    EXPECT_EQ(platform::ansiFromWide(L"abc", 0, narrow, sizeof narrow), 0u);
    EXPECT_EQ(narrow[0], 'h');

    wchar_t wide[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(platform::wideFromAnsi("\x80z", 2, wide, 4), 2u);
    EXPECT_EQ(std::wstring(wide, 3), L"\u20ACzx");
}

TEST(CodePage, KeepsConvertingAfterACharacterTheCodePageLacks) {
    char narrow[5] = {};
    EXPECT_EQ(platform::ansiFromWide(L"a\u4E2D\u00E9\u4E2Db", 5, narrow, 5), 5u);
    EXPECT_EQ(std::string(narrow, 5), "a?\xE9?b");
}

}  // namespace
