#include <gtest/gtest.h>

#include "loaded_addon.h"

namespace {

TEST(VersionExportsTest, VersionsAreFixedBeforeAndAfterOtherCalls) {
    LoadedAddon addon;
    auto* getVer = addon.get<addon::GetVerFunction>(addon::getVerName);
    auto* getInterfaceVer = addon.get<addon::GetInterfaceVerFunction>(addon::getInterfaceVerName);
    auto* getFeature = addon.get<addon::GetFeatureFunction>(addon::getFeatureName);
    ASSERT_TRUE(getVer && getInterfaceVer && getFeature);

    EXPECT_EQ(getVer(), 100);
    EXPECT_EQ(getInterfaceVer(), 120);
    CString identity;
    getFeature(&identity);
    EXPECT_EQ(getInterfaceVer(), 120);
    EXPECT_EQ(getVer(), 100);
}

TEST(VersionExportsTest, GetFeatureReplacesTheHostsText) {
    LoadedAddon addon;
    auto* getFeature = addon.get<addon::GetFeatureFunction>(addon::getFeatureName);
    ASSERT_NE(getFeature, nullptr);

    CString identity("a longer text the host held before");
    EXPECT_EQ(getFeature(&identity), 0);
    EXPECT_EQ(identity.GetLength(), 8);
    EXPECT_STREQ(identity.GetString(), "addon001");
    EXPECT_EQ(getFeature(&identity), 0);
    EXPECT_STREQ(identity.GetString(), "addon001");
}

TEST(VersionExportsTest, NullIdentityIsRefusedWithoutCrashing) {
    LoadedAddon addon;
    auto* getFeature = addon.get<addon::GetFeatureFunction>(addon::getFeatureName);
    ASSERT_NE(getFeature, nullptr);
    EXPECT_EQ(getFeature(nullptr), -1);
}

}  // namespace
