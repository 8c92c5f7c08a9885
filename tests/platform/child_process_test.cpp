// Starting a child process: every argument reaches it unchanged, and how it ended is told.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "addon001/platform/child_process.h"
#include "program_run.h"

namespace {

using platform::detail::windowsCommandLine;

TEST(ChildProcessTest, WindowsCommandLinesQuoteOnlyWhatNeedsIt) {
    EXPECT_EQ(windowsCommandLine({"prog", "plain", "--drive"}), "prog plain --drive");
    EXPECT_EQ(windowsCommandLine({"a b", ""}), "\"a b\" \"\"");
    // A quote gets a backslash; backslashes are literal except before a quote.
    EXPECT_EQ(windowsCommandLine({"say \"hi\""}), R"("say \"hi\"")");
    EXPECT_EQ(windowsCommandLine({R"(C:\dir\)"}), R"(C:\dir\)");
    EXPECT_EQ(windowsCommandLine({R"(C:\my dir\)"}), R"("C:\my dir\\")");
    EXPECT_EQ(windowsCommandLine({R"(a\"b)"}), R"("a\\\"b")");
    // Nothing a command interpreter would read is touched: no interpreter runs.
    EXPECT_EQ(windowsCommandLine({"%PATH%", "a&b|c"}), "%PATH% a&b|c");
}

// The host reports each --drive code back in its JSON document exactly as it received it.
TEST(ChildProcessTest, ArgumentsReachTheChildByteForByte) {
    const std::vector<std::string> codes = {
        "HX 27",  " lead and trail ", "say \"hi\"", "\"",      "%PATH%",    "100%",     "a\\",
        "a\\\"b", "back\\slash\\\\",  "",           "a&b|c>d", "tab\there", "'single'", "^caret"};
    std::vector<std::string> arguments = {"--json"};
    for (const std::string& code : codes) {
        arguments.push_back("--drive");
        arguments.push_back(code);
    }
    const test_support::ProgramRun run = test_support::runHost(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.end.description() << "\n" << run.err;
    const nlohmann::json document = nlohmann::json::parse(run.out);
    std::vector<std::string> received;
    for (const auto& row : document["features"]) received.push_back(row["driveType"]);
    for (const std::string& code : codes) {
        EXPECT_NE(std::find(received.begin(), received.end(), code), received.end())
            << "not received: [" << code << "]";
    }
}

TEST(ChildProcessTest, HowTheChildEndedIsTold) {
    const platform::ChildEnd missing = platform::runChild("/no/such/program", {});
    EXPECT_EQ(missing.kind, platform::ChildEnd::Kind::NotStarted);
    EXPECT_FALSE(missing.problem.empty());

    // The host with a bad command line exits with 1.
    const test_support::ProgramRun bad = test_support::runHost({"--no-such-option"});
    EXPECT_TRUE(bad.end.exitedWith(1)) << bad.end.description();
    EXPECT_EQ(bad.end.description(), "exited with code 1");
    EXPECT_FALSE(bad.err.empty());
}

}  // namespace
