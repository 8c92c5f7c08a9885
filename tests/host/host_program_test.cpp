// The reference host as a program: its output and its exit codes.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "built_files.h"
#include "program_run.h"
#include "scratch_folder.h"

namespace {

using test_support::runHost;

int lineCount(const std::string& text) {
    int lines = 0;
    for (char character : text) lines += character == '\n' ? 1 : 0;
    return lines;
}

TEST(HostProgramTest, WithoutArgumentsItReportsTheBuiltAddon) {
    const auto run = runHost({});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("addon001"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("100"), std::string::npos);
    EXPECT_NE(run.out.find("120"), std::string::npos);
    EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST(HostProgramTest, JsonHoldsTheAnswersForEveryRequestedDrive) {
    const auto run =
        runHost({"--json", "--drive", "HX-140", "--drive", "hx 140", "--drive", "HX-140"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json document = nlohmann::json::parse(run.out);
    EXPECT_EQ(document["identity"], "addon001");
    EXPECT_EQ(document["version"], 100);
    EXPECT_EQ(document["interfaceVersion"], 120);

    // The duplicate --drive is asked once; the unknown code gets -1 and no features.
    int hx140Rows = 0;
    bool sawUnknown = false;
    for (const auto& row : document["features"]) {
        if (row["driveType"] == "HX-140") {
            ++hx140Rows;
            EXPECT_EQ(row["result"], 0);
            EXPECT_EQ(row["features"]["SENSORLESS_PUMPDATA"], "03.10");
        }
        if (row["driveType"] == "hx 140") {
            sawUnknown = true;
            EXPECT_EQ(row["result"], -1);
            EXPECT_TRUE(row["features"].empty());
        }
    }
    EXPECT_EQ(hx140Rows, 1);
    EXPECT_TRUE(sawUnknown);
}

// Every way a module can be unusable: one line on stderr naming the file, exit code 2.
void expectLoadFailure(const std::string& moduleFile, const std::string& problem) {
    const auto run = runHost({moduleFile});
    EXPECT_EQ(run.exitCode, 2) << run.out << run.err;
    EXPECT_EQ(lineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(moduleFile), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(problem), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
}

TEST(HostProgramTest, UnusableModulesGiveOneLineAndExitCodeTwo) {
    expectLoadFailure(test_support::builtModule("NoSuchModule").string(), "no such file");
    // A path that starts with "/" is a path on every system, never a Windows-style option.
    expectLoadFailure("/no/such/folder/Module" + test_support::builtModule("").extension().string(),
                      "no such file");

    const auto folder = test_support::scratchFolder("host_not_a_module");
    const auto fake = folder / ("Fake" + test_support::builtModule("").extension().string());
    { std::ofstream(fake) << "plain text\n"; }
    expectLoadFailure(fake.string(), "not loadable");

    expectLoadFailure(test_support::builtModule("MissingExportModule").string(),
                      "missing export 'getFeature'");
    expectLoadFailure(test_support::builtModule("RefusingAddon").string(), "refused");
}

}  // namespace
