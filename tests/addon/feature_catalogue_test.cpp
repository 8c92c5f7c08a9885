#include "feature_catalogue.h"

#include <gtest/gtest.h>

#include <boost/assign/list_of.hpp>
#include <thread>
#include <vector>

namespace {

TEST(FeatureCatalogueTest, FirstPairForACodeWins) {
    const addon::FeatureVersionTable table =
        addon::tableFromPairs(boost::assign::map_list_of<CString, std::string>("HX-140", "03.10")(
            "KPR140", "04.01")("HX-140", "99.99"));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at("HX-140"), "03.10");
}

TEST(FeatureCatalogueTest, TableHoldsTheNineDriveTypes) {
    const addon::FeatureVersionTable& table = addon::featureVersionTable();
    EXPECT_EQ(table.size(), 9u);
    EXPECT_EQ(&table, &addon::featureVersionTable()) << "built once, then the same table";
    EXPECT_EQ(table.at("HXM180"), "00.00");
    EXPECT_EQ(table.at("KPR140"), "04.01");
}

TEST(FeatureCatalogueTest, LookupStopsAtTheFirstNul) {
    std::string version;
    EXPECT_TRUE(addon::findFeatureVersion(std::string("HX-140\0garbage", 14), version));
    EXPECT_EQ(version, "03.10");

    // A NUL first leaves the empty text, which has no entry.
    version = "kept";
    EXPECT_FALSE(addon::findFeatureVersion(std::string("\0HX-140", 7), version));
    EXPECT_EQ(version, "kept") << "a miss must leave the output as it was";
}

TEST(FeatureCatalogueTest, ConcurrentFirstLookupsAgree) {
    // Whichever thread builds the table, every thread sees it whole.
    std::vector<std::string> versions(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < versions.size(); ++i) {
        threads.emplace_back([&versions, i] { addon::findFeatureVersion("HX-240", versions[i]); });
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::string& version : versions) EXPECT_EQ(version, "02.15");
}

}  // namespace
