#include "drive_catalogue.h"

#include <gtest/gtest.h>

namespace {

using addon::DriveInfoSlots;

DriveInfoSlots slotsWith(std::initializer_list<std::pair<int, std::string>> values) {
    DriveInfoSlots slots = addon::makeDriveInfoSlots();
    for (const auto& [index, value] : values) slots[static_cast<std::size_t>(index)] = value;
    return slots;
}

TEST(DriveCatalogueTest, FieldTableMapsFourteenKeysToDistinctIndices) {
    addon::initDriveInfoTables();
    const auto& table = addon::driveInfoFieldTable();
    ASSERT_EQ(table.size(), 14u);
    EXPECT_EQ(table.at("D"), 0);
    EXPECT_EQ(table.at("O1"), 8);
    EXPECT_EQ(table.at("DV"), 12);
    EXPECT_EQ(table.at("M"), 13);
    std::set<int> indices;
    for (const auto& entry : table) indices.insert(entry.second);
    EXPECT_EQ(indices.size(), 14u);
    EXPECT_EQ(*indices.begin(), 0);
    EXPECT_EQ(*indices.rbegin(), 13);
}

TEST(DriveCatalogueTest, FieldsAreWrittenInIndexOrderNotKeyOrder) {
    // "B" sorts before "V" as a key, but V has index 3 and B index 6.
    EXPECT_EQ(addon::setDriveInfoString(slotsWith({{3, "a"}, {6, "b"}})), "V=a;B=b");
    EXPECT_EQ(addon::setDriveInfoString(slotsWith({{0, "HX-140"}, {13, "x"}})), "D=HX-140;M=x");
    EXPECT_EQ(addon::setDriveInfoString(slotsWith({{0, "HX-140"}})), "D=HX-140");
    EXPECT_EQ(addon::setDriveInfoString(slotsWith({{13, "last"}})), "M=last");
}

TEST(DriveCatalogueTest, EmptySlotsGiveTheEmptyString) {
    EXPECT_EQ(addon::setDriveInfoString(addon::makeDriveInfoSlots()), "");
    EXPECT_EQ(addon::setDriveInfoString(DriveInfoSlots{}), "");
}

TEST(DriveCatalogueTest, ValuesAreCopiedUnescaped) {
    EXPECT_EQ(addon::setDriveInfoString(slotsWith({{0, "a;b=c"}, {1, " x "}})), "D=a;b=c;R= x ");
}

TEST(DriveCatalogueTest, SettingTheDriveTypeNormalisesTheSlotCount) {
    DriveInfoSlots tooMany(20, "junk");
    addon::setDriveType(tooMany, "HX-240");
    ASSERT_EQ(tooMany.size(), 14u);
    EXPECT_EQ(tooMany[0], "HX-240");

    DriveInfoSlots tooFew;
    addon::setDriveType(tooFew, "HX-240");
    EXPECT_EQ(addon::setDriveInfoString(tooFew), "D=HX-240");

    addon::resetDriveInfoSlots(tooMany);
    EXPECT_EQ(tooMany, DriveInfoSlots(14));
}

TEST(DriveCatalogueTest, ExpansionGivesOneStringPerDistinctCodeWithoutCarryOver) {
    std::set<std::string> driveInfos{"kept"};
    addon::expandDriveCatalogue({"HX-140", "LQ-370", "HX-140"}, driveInfos);
    EXPECT_EQ(driveInfos, (std::set<std::string>{"D=HX-140", "D=LQ-370", "kept"}));
}

TEST(DriveCatalogueTest, CatalogueHoldsTwelveCodesInItsOwnOrder) {
    const std::vector<std::string> catalogue = addon::driveCatalogue();
    ASSERT_EQ(catalogue.size(), 12u);
    EXPECT_EQ(catalogue.front(), "HX-027");
    EXPECT_EQ(catalogue[1], "HX 27");
    EXPECT_EQ(catalogue.back(), "LQ-370");
}

}  // namespace
