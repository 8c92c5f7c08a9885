#include "drive_info.h"

#include <gtest/gtest.h>

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

TEST(DriveInfoTest, SplitsFieldsInTheirOrder) {
    EXPECT_EQ(host::parseDriveInfo("D=HX-140"), (Fields{{"D", "HX-140"}}));
    EXPECT_EQ(host::parseDriveInfo("V=a;B=b"), (Fields{{"V", "a"}, {"B", "b"}}));
    EXPECT_EQ(host::parseDriveInfo(""), Fields{});
    // Only the first "=" separates key from value.
    EXPECT_EQ(host::parseDriveInfo("M=x=y"), (Fields{{"M", "x=y"}}));
}

TEST(DriveInfoTest, DriveTypeIsFieldD) {
    EXPECT_EQ(host::driveTypeOf("D=HX 27"), "HX 27");
    EXPECT_EQ(host::driveTypeOf("R=1;D=RB-510"), "RB-510");
    EXPECT_EQ(host::driveTypeOf("DV=1"), "");
}

}  // namespace
