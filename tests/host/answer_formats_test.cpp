#include "client/answer_formats.h"

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

using host::driveInfoProblem;

TEST(DriveInfoFormatTest, WellFormedStrings) {
    EXPECT_EQ(driveInfoProblem("D=HX-140"), std::nullopt);
    EXPECT_EQ(driveInfoProblem("D=HX 27"), std::nullopt);
    EXPECT_EQ(driveInfoProblem("D=HX-140;M=x"), std::nullopt);
    EXPECT_EQ(driveInfoProblem("D=a;R=1;W=2;V=3;P=4;F=5;B=6;L=7;O1=8;O2=9;O3=10;O4=11;DV=12;M=13"),
              std::nullopt);
    // Only the first "=" separates key from value; the rest belongs to the value.
    EXPECT_EQ(driveInfoProblem("D=a=b"), std::nullopt);
}

TEST(DriveInfoFormatTest, EveryFaultIsNamed) {
    const auto problem = [](const std::string& driveInfo) {
        return driveInfoProblem(driveInfo).value_or("well formed");
    };
    EXPECT_EQ(problem(""), "an empty string");
    EXPECT_EQ(problem("D=HX-140;"), "\"D=HX-140;\" ends with \";\"");
    EXPECT_EQ(problem("D=HX-140;;M=x"), "\"D=HX-140;;M=x\": field \"\" is not KEY=value");
    EXPECT_EQ(problem("HX-140"), "\"HX-140\": field \"HX-140\" is not KEY=value");
    EXPECT_EQ(problem("D=HX-140;X=1"), "\"D=HX-140;X=1\": unknown key \"X\"");
    EXPECT_EQ(problem("d=HX-140"), "\"d=HX-140\": unknown key \"d\"");
    EXPECT_EQ(problem("D=HX-140;O5=1"), "\"D=HX-140;O5=1\": unknown key \"O5\"");
    EXPECT_EQ(problem("D="), "\"D=\": key \"D\" has an empty value");
    EXPECT_EQ(problem("D=a;D=b"), "\"D=a;D=b\": key \"D\" twice");
    EXPECT_EQ(problem("M=x;D=a"), "\"M=x;D=a\": key \"D\" (field 0) after \"M\" (field 13)");
    EXPECT_EQ(problem("D=a;DV=1;O4=2"),
              "\"D=a;DV=1;O4=2\": key \"O4\" (field 11) after \"DV\" (field 12)");
    EXPECT_EQ(problem("R=1;M=x"), "\"R=1;M=x\": no field \"D\" (the drive type code)");
}

TEST(DriveInfoFormatTest, VersionTexts) {
    EXPECT_TRUE(host::isVersionText("03.10"));
    EXPECT_TRUE(host::isVersionText("00.00"));
    EXPECT_TRUE(host::isVersionText("99.99"));
    for (const char* bad :
         {"3.10", "03.1", "03,10", "03.10 ", " 03.10", "0a.10", "03.1x", "", "0310", "003.10"}) {
        EXPECT_FALSE(host::isVersionText(bad)) << bad;
    }
}

}  // namespace
