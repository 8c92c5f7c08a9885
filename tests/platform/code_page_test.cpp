#include "addon001/platform/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The text conversions always give the source's length, so they rely on the room being kept.
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

}  // namespace
