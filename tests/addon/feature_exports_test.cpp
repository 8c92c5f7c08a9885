#include <gtest/gtest.h>

#include <string>

#include "loaded_addon.h"

namespace {

class FeatureExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        getFeaturesAndVersions_ =
            addon_.get<addon::GetFeaturesAndVersionsFunction>(addon::getFeaturesAndVersionsName);
        getAsFIVector_ = addon_.get<addon::GetAsFIVectorFunction>(addon::getAsFIVectorName);
        ASSERT_TRUE(getFeaturesAndVersions_ && getAsFIVector_);
    }

    // The host's map after the call, which starts with a stale entry that must go.
    int query(const std::string& driveType, addon::FeatureMap& features) {
        features = {{"STALE", "99.99"}};
        return getFeaturesAndVersions_(&driveType, &features);
    }

    LoadedAddon addon_;
    addon::GetFeaturesAndVersionsFunction* getFeaturesAndVersions_ = nullptr;
    addon::GetAsFIVectorFunction* getAsFIVector_ = nullptr;
};

TEST_F(FeatureExportsTest, EveryTableEntryReportsItsVersionText) {
    const std::pair<const char*, const char*> table[] = {
        {"HX-140", "03.10"}, {"KPR140", "04.01"}, {"KWT140", "03.10"},
        {"NKQ140", "03.10"}, {"NQT140", "03.10"}, {"HX-240", "02.15"},
        {"HX-390", "02.15"}, {"HXM180", "00.00"}, {"HXP180", "00.00"},
    };
    for (const auto& [code, version] : table) {
        addon::FeatureMap features;
        EXPECT_EQ(query(code, features), 0) << code;
        EXPECT_EQ(features, (addon::FeatureMap{{"SENSORLESS_PUMPDATA", version}})) << code;
    }
}

TEST_F(FeatureExportsTest, NearMissesAndUnlistedCodesGiveNothing) {
    // Case, blanks and hyphens count; catalogue codes without an entry have no features.
    const char* misses[] = {"hx-140", " HX-140", "HX-140 ", "HX140",  "HX-14",  "HX-1400",
                            "",       "HX 27",   "HX-027",  "HX-360", "RBV560", "LQ-370"};
    for (const char* code : misses) {
        addon::FeatureMap features;
        EXPECT_EQ(query(code, features), -1) << '"' << code << '"';
        EXPECT_TRUE(features.empty()) << "the map must be emptied also on a miss: " << code;
    }
}

TEST_F(FeatureExportsTest, CodeIsLookedUpUpToItsFirstNul) {
    addon::FeatureMap features;
    EXPECT_EQ(query(std::string("HX-140\0XYZ", 10), features), 0);
    EXPECT_EQ(features.at("SENSORLESS_PUMPDATA"), "03.10");
}

TEST_F(FeatureExportsTest, FeatureNamesAreOnlyAddedToTheHostsSet) {
    const std::string hx240 = "HX-240";
    addon::FeatureSet names{"OTHER_FEATURE"};
    EXPECT_EQ(getAsFIVector_(&hx240, &names), 0);
    EXPECT_EQ(names, (addon::FeatureSet{"OTHER_FEATURE", "SENSORLESS_PUMPDATA"}));
    EXPECT_EQ(getAsFIVector_(&hx240, &names), 0);
    EXPECT_EQ(names, (addon::FeatureSet{"OTHER_FEATURE", "SENSORLESS_PUMPDATA"}));

    const std::string unknown = "HX-999";
    EXPECT_EQ(getAsFIVector_(&unknown, &names), -1);
    EXPECT_EQ(names, (addon::FeatureSet{"OTHER_FEATURE", "SENSORLESS_PUMPDATA"}));
}

TEST_F(FeatureExportsTest, NullPointersChangeNothing) {
    const std::string code = "HX-140";
    addon::FeatureMap features{{"KEEP", "01.00"}};
    addon::FeatureSet names{"KEEP"};
    EXPECT_EQ(getFeaturesAndVersions_(nullptr, &features), -1);
    EXPECT_EQ(getFeaturesAndVersions_(&code, nullptr), -1);
    EXPECT_EQ(getAsFIVector_(nullptr, &names), -1);
    EXPECT_EQ(getAsFIVector_(&code, nullptr), -1);
    EXPECT_EQ(features, (addon::FeatureMap{{"KEEP", "01.00"}}));
    EXPECT_EQ(names, (addon::FeatureSet{"KEEP"}));
}

}  // namespace
