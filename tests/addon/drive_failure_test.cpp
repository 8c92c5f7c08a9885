// The failure path of the drive catalogue, driven by failing chosen allocations.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <regex>

#include "addon001/log/rolling_output_to_file.h"
#include "allocation_outcome.h"
#include "built_files.h"
#include "drive_catalogue.h"
#include "failing_allocation.h"
#include "scratch_folder.h"

namespace {

using allocation_outcome::Outcome;
using allocation_outcome::runFailing;

class DriveFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        logFile_ = test_support::scratchFolder("drive_failure") / "addon.log";
        Log::RollingOutputToFile::open(logFile_.wstring());
        ASSERT_TRUE(Log::RollingOutputToFile::isEnabled());
    }
    void TearDown() override { Log::RollingOutputToFile::close(); }

    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::istringstream content(test_support::readFile(logFile_));
        for (std::string line; std::getline(content, line);) lines.push_back(line);
        return lines;
    }

    std::filesystem::path logFile_;
};

TEST_F(DriveFailureTest, FailedBuildIsLoggedAndReplacedByTheFailureText) {
    addon::DriveInfoSlots slots = addon::makeDriveInfoSlots();
    // Long enough that joining it into the result must allocate.
    addon::setDriveType(slots, std::string(200, 'X'));

    const Outcome outcome = runFailing(1, [&] { addon::setDriveInfoString(slots); });
    EXPECT_EQ(outcome, Outcome::FailureText);

    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        lines[0], std::regex(R"(\d\d:\d\d:\d\d\.\d{3} INF \d+ Unknown exception\r?)")))
        << lines[0];
}

// Fails each allocation of `call` in turn, from the first until the call completes, and
// checks every outcome: std::bad_alloc or the failure text, and then a set that holds exactly
// the drive-info strings of the codes handled before the failing one. Returns how many
// failures ended in the failure text.
int sweepAllocations(const std::vector<std::string>& codes,
                     const std::function<void(std::set<std::string>&)>& call) {
    std::vector<std::string> expected;
    for (const std::string& code : codes) expected.push_back("D=" + code);
    int failureTexts = 0;
    for (long number = 1;; ++number) {
        std::set<std::string> driveInfos;
        const Outcome outcome = runFailing(number, [&] { call(driveInfos); });
        if (outcome == Outcome::Completed) {
            EXPECT_FALSE(failing_allocation::failedYet());
            EXPECT_EQ(driveInfos, std::set<std::string>(expected.begin(), expected.end()));
            break;
        }
        EXPECT_NE(outcome, Outcome::Other) << "allocation " << number;
        if (outcome == Outcome::Other) break;
        if (outcome == Outcome::FailureText) ++failureTexts;
        std::size_t handled = 0;
        while (handled < expected.size() && driveInfos.count(expected[handled]) == 1) ++handled;
        EXPECT_EQ(driveInfos.size(), handled)
            << "allocation " << number << ": the set must hold a prefix of the codes";
        EXPECT_LT(handled, expected.size()) << "allocation " << number;
        if (number > 100000) {
            ADD_FAILURE() << "the call never completed";
            break;
        }
    }
    return failureTexts;
}

TEST_F(DriveFailureTest, FailuresWhileExpandingLeaveThePrefixOfHandledCodes) {
    // Codes too long for the short-string buffer, so that building their strings allocates.
    const std::vector<std::string> codes = {std::string(40, 'A'), std::string(40, 'B'),
                                            std::string(40, 'C')};
    const int failureTexts = sweepAllocations(codes, [&](std::set<std::string>& driveInfos) {
        addon::expandDriveCatalogue(codes, driveInfos);
    });
    EXPECT_GT(failureTexts, 0) << "no allocation inside the string builder was reached";
    // One whole record per failed build.
    EXPECT_EQ(logLines().size(), static_cast<std::size_t>(failureTexts));
}

TEST_F(DriveFailureTest, EveryAllocationOfAWholeCallFailsCleanly) {
    const int failureTexts =
        sweepAllocations(addon::driveCatalogue(), [](std::set<std::string>& driveInfos) {
            driveInfos.insert("D=OLD");
            addon::fillDriveInfos(driveInfos);
        });
    EXPECT_EQ(logLines().size(), static_cast<std::size_t>(failureTexts));

    // Afterwards the catalogue answers as before, from a whole field table.
    std::set<std::string> driveInfos;
    addon::fillDriveInfos(driveInfos);
    EXPECT_EQ(driveInfos.size(), 12u);
    EXPECT_EQ(addon::driveInfoFieldTable().size(), 14u);
}

}  // namespace
