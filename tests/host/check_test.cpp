// addon-host --check on the real add-on, on a sample add-on that keeps the contract, and on
// variants of the sample that each break it in one place: exactly the right checks fail.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "built_files.h"
#include "program_run.h"
#include "scratch_folder.h"

namespace {

struct CheckRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::set<std::string> passed;
    std::set<std::string> failed;
    std::set<std::string> skipped;
};

// A check's name: its line without the verdict and without what was seen.
std::string checkName(const std::string& line) {
    const std::string rest = line.substr(5);
    return rest.substr(0, rest.find(" ("));
}

CheckRun runCheck(const std::filesystem::path& module,
                  const std::vector<std::string>& extraArguments = {}) {
    std::vector<std::string> arguments = {"--check"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    arguments.push_back(module.string());
    const test_support::ProgramRun program = test_support::runHost(arguments);
    CheckRun run;
    run.exitCode = program.exitCode;
    run.out = program.out;
    run.err = program.err;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("PASS ", 0) == 0) {
            run.passed.insert(checkName(line));
        } else if (line.rfind("FAIL ", 0) == 0) {
            run.failed.insert(checkName(line));
        } else if (line.rfind("SKIP ", 0) == 0) {
            run.skipped.insert(checkName(line));
        } else {
            ADD_FAILURE() << "a line that is no check: " << line;
        }
    }
    return run;
}

std::filesystem::path checkModule(const std::string& name) {
    return test_support::builtModule("CheckModule_" + name);
}

// Every check the host makes on a module that has all exports.
constexpr std::size_t checkCount = 25;

TEST(HostCheckTest, TheAddonPassesEveryCheck) {
    const CheckRun run = runCheck(test_support::builtModule("Addon001"));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.failed, std::set<std::string>{}) << run.out;
    EXPECT_EQ(run.skipped, std::set<std::string>{}) << run.out;
    EXPECT_EQ(run.passed.size(), checkCount) << run.out;
    // The drive types of its catalogue were asked, and some have features.
    EXPECT_NE(run.out.find("version texts of two digits, a point, two digits (seen {\"02.15\", "
                           "\"03.10\"})"),
              std::string::npos)
        << run.out;
}

TEST(HostCheckTest, ASampleThatKeepsTheContractPassesEveryCheck) {
    const CheckRun run = runCheck(checkModule("sample_module"));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.failed, std::set<std::string>{}) << run.out;
    EXPECT_EQ(run.passed.size(), checkCount) << run.out;
    EXPECT_TRUE(run.err.empty()) << run.err;
}

struct BrokenModule {
    std::string name;
    std::set<std::string> failingChecks;
};

void PrintTo(const BrokenModule& module, std::ostream* out) {
    *out << module.name;
}

class BrokenModuleTest : public testing::TestWithParam<BrokenModule> {};

TEST_P(BrokenModuleTest, ExactlyTheBrokenRuleFails) {
    const BrokenModule& broken = GetParam();
    const CheckRun run = runCheck(checkModule(broken.name));
    EXPECT_EQ(run.exitCode, 3) << run.out << run.err;
    EXPECT_EQ(run.failed, broken.failingChecks) << run.out;
    EXPECT_EQ(run.passed.size() + run.failed.size() + run.skipped.size(), checkCount) << run.out;
}

const std::string repeated = "repeated calls give identical answers";

INSTANTIATE_TEST_SUITE_P(
    HostCheckTest, BrokenModuleTest,
    testing::Values(
        BrokenModule{"missing_export", {"export getAsFIVector is present"}},
        BrokenModule{"unstable_version", {"getVer gives the same answer on every call", repeated}},
        BrokenModule{"order_dependent",
                     {"answers do not depend on call order, asked again after a fresh load"}},
        BrokenModule{"unrepeatable_catalogue", {repeated}},
        BrokenModule{"catalogue_not_emptied",
                     {"getAsDIVector returns 0 and empties the host's set"}},
        BrokenModule{"catalogue_trailing_separator",
                     {"getAsDIVector fills the set with well-formed drive-info strings"}},
        BrokenModule{"catalogue_key_order",
                     {"getAsDIVector fills the set with well-formed drive-info strings"}},
        BrokenModule{"features_not_emptied", {"getFeaturesAndVersions empties the host's map"}},
        BrokenModule{"features_zero_when_empty",
                     {"getFeaturesAndVersions gives 0 with a non-empty map or -1 with an empty "
                      "one"}},
        BrokenModule{"features_bad_version_text",
                     {"getFeaturesAndVersions gives version texts of two digits, a point, two "
                      "digits"}},
        BrokenModule{"names_clear_set", {"getAsFIVector only adds to the host's set"}},
        BrokenModule{"names_differ",
                     {"getAsFIVector adds exactly the feature names of getFeaturesAndVersions"}},
        BrokenModule{"names_result_differs",
                     {"getAsFIVector returns what getFeaturesAndVersions returns"}},
        BrokenModule{"null_pointer_crash", {"getFeature with a null string does not crash"}},
        BrokenModule{"catalogue_throws",
                     {"getAsDIVector returns 0 and empties the host's set",
                      "getAsDIVector fills the set with well-formed drive-info strings"}}),
    [](const testing::TestParamInfo<BrokenModule>& info) { return info.param.name; });

TEST(HostCheckTest, AMissingExportSkipsTheChecksThatNeedIt) {
    const CheckRun run = runCheck(checkModule("missing_export"));
    EXPECT_EQ(run.skipped,
              (std::set<std::string>{
                  "getAsFIVector only adds to the host's set",
                  "getAsFIVector returns what getFeaturesAndVersions returns",
                  "getAsFIVector adds exactly the feature names of getFeaturesAndVersions",
                  "getAsFIVector with a null drive type does not crash",
                  "getAsFIVector with a null set does not crash"}))
        << run.out;
}

TEST(HostCheckTest, FailuresSayWhatWasSeen) {
    const CheckRun trailing = runCheck(checkModule("catalogue_trailing_separator"));
    EXPECT_NE(trailing.out.find("(\"D=AB-100;\" ends with \";\")"), std::string::npos)
        << trailing.out;
    const CheckRun order = runCheck(checkModule("catalogue_key_order"));
    EXPECT_NE(order.out.find("key \"V\" (field 3) after \"B\" (field 6)"), std::string::npos)
        << order.out;
    const CheckRun version = runCheck(checkModule("features_bad_version_text"));
    EXPECT_NE(version.out.find("\"AB-100\": \"FLOW\" \"1.0\""), std::string::npos) << version.out;
    const CheckRun throws = runCheck(checkModule("catalogue_throws"));
    EXPECT_NE(throws.out.find("empties the host's set (threw \"setDriveInfoString failed\")"),
              std::string::npos)
        << throws.out;
    const CheckRun unstable = runCheck(checkModule("unstable_version"));
    EXPECT_NE(unstable.out.find("getVer gives the same answer on every call (7, then 8)"),
              std::string::npos)
        << unstable.out;
}

TEST(HostCheckTest, ExtraDriveTypesAreAsked) {
    // The sample's catalogue lacks "XY-1"; the map check then covers one drive type more.
    const CheckRun run = runCheck(checkModule("sample_module"), {"--drive", "XY-1"});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("(2 of 6 drive types have features)"), std::string::npos) << run.out;
}

TEST(HostCheckTest, AModuleThatCannotBeLoadedGivesExitCodeTwo) {
    const CheckRun missing = runCheck(test_support::builtModule("NoSuchModule"));
    EXPECT_EQ(missing.exitCode, 2) << missing.out;
    EXPECT_EQ(missing.failed, std::set<std::string>{"the module loads"}) << missing.out;
    EXPECT_NE(missing.err.find("no such file"), std::string::npos) << missing.err;

    const auto folder = test_support::scratchFolder("host_check_not_a_module");
    const auto fake = folder / ("Fake" + test_support::builtModule("").extension().string());
    { std::ofstream(fake) << "plain text\n"; }
    const CheckRun notLoadable = runCheck(fake);
    EXPECT_EQ(notLoadable.exitCode, 2) << notLoadable.out;
    EXPECT_NE(notLoadable.err.find("not loadable"), std::string::npos) << notLoadable.err;
}

}  // namespace
