#include <gtest/gtest.h>

#include "loaded_addon.h"

namespace {

const addon::DriveInfoSet twelveDriveInfos = {"D=HX 27",  "D=HX-027", "D=HX-140", "D=HX-240",
                                              "D=HX-360", "D=HX-370", "D=HXD370", "D=LQ-370",
                                              "D=RB-510", "D=RB-530", "D=RB-560", "D=RBV560"};

TEST(DriveExportsTest, HostsSetHoldsExactlyTheTwelveDriveInfosInSetOrder) {
    LoadedAddon addon;
    auto* getAsDIVector = addon.get<addon::GetAsDIVectorFunction>(addon::getAsDIVectorName);
    ASSERT_NE(getAsDIVector, nullptr);

    addon::DriveInfoSet driveInfos{"D=OLD", "zzz"};
    EXPECT_EQ(getAsDIVector(&driveInfos), 0);
    EXPECT_EQ(driveInfos, twelveDriveInfos);
    // A space sorts before a hyphen, so the second catalogue entry comes first.
    EXPECT_EQ(*driveInfos.begin(), "D=HX 27");
    EXPECT_EQ(*std::next(driveInfos.begin()), "D=HX-027");

    EXPECT_EQ(getAsDIVector(&driveInfos), 0);
    EXPECT_EQ(driveInfos, twelveDriveInfos);
    EXPECT_EQ(getAsDIVector(nullptr), -1);
}

}  // namespace
