#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "addon001/afx/cstring.h"

TEST(CStringTest, AssignmentReplacesTheWholeText) {
    CString text("a much longer previous value");
    text = "addon001";
    EXPECT_EQ(text.GetLength(), 8);
    EXPECT_STREQ(text.GetString(), "addon001");

    text = static_cast<const char*>(nullptr);
    EXPECT_TRUE(text.IsEmpty());
}

TEST(CStringTest, ConstructionStopsAtTheFirstNul) {
    const char withNul[] = "HX-140\0tail";
    CString text(withNul);
    EXPECT_EQ(text.GetLength(), 6);
    EXPECT_EQ(text.Compare("HX-140"), 0);
}

TEST(CStringTest, CompareIsOrdinalAndCaseSensitive) {
    EXPECT_EQ(CString("HX-140").Compare("HX-140"), 0);
    EXPECT_NE(CString("HX-140").Compare("hx-140"), 0);
    EXPECT_LT(CString("HX 27").Compare("HX-027"), 0);  // a space sorts before a hyphen
    EXPECT_LT(CString("HX").Compare("HX-140"), 0);     // a proper prefix sorts first
    // Bytes compare as unsigned values: 0xE9 sorts after 'z'.
    EXPECT_GT(CString("\xE9").Compare("z"), 0);
}

TEST(CStringTest, CharacterAccessIsBoundsChecked) {
    const CString text("ab");
    EXPECT_EQ(text.GetAt(0), 'a');
    EXPECT_EQ(text[1], 'b');
    EXPECT_THROW(text.GetAt(2), std::out_of_range);
    EXPECT_THROW(text.GetAt(-1), std::out_of_range);
}

TEST(CStringTest, ServesAsAnOrderedMapKey) {
    std::map<CString, int> map;
    map.insert({"b", 2});
    map.insert({"a", 1});
    map.insert({"a", 3});  // the key exists: no overwrite
    ASSERT_EQ(map.size(), 2u);
    EXPECT_STREQ(map.begin()->first.GetString(), "a");
    EXPECT_EQ(map.begin()->second, 1);
    EXPECT_EQ(map.count("b"), 1u);
    EXPECT_EQ(map.count("B"), 0u);
}
