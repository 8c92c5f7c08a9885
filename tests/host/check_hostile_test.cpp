// --check against modules that attack the checker's own process: its process group, its
// descriptors, its result channel, and a caller's signal settings; and the checker asked to
// end while a check runs. Each run goes through /bin/sh, which sets up what the caller would
// (a pipe on descriptor 3, SIGCHLD ignored, a signal to the checker).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>

#include "addon001/platform/child_process.h"
#include "built_files.h"
#include "checker/isolated_check.h"
#include "program_run.h"
#include "scratch_folder.h"

namespace {

// Far beyond what any of these runs takes, so that only a checker that hangs reaches it.
constexpr std::chrono::minutes margin{3};

std::string checkModule(const std::string& name) {
    return test_support::builtModule("CheckModule_" + name).string();
}

std::string host() {
    return test_support::builtProgram("addon-host").string();
}

// Runs `script` in /bin/sh with $0 the host, then `arguments` as $1, $2, ...
test_support::ProgramRun shell(const std::string& script,
                               const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {"-c", script, host()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return test_support::runProgram("/bin/sh", words, margin);
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t found = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
    return found;
}

TEST(HostCheckHostileTest, AModuleInTheCheckersProcessGroupStillTimesOut) {
    const auto run =
        shell("exec \"$0\" --check --timeout 2 \"$1\"", {checkModule("joins_checker_group")});
    ASSERT_NE(run.end.kind, platform::ChildEnd::Kind::TimedOut) << "the checker hung";
    EXPECT_EQ(run.exitCode, 3) << run.out << run.err;
    EXPECT_NE(run.out.find("FAIL getVer gives the same answer on every call (did not return "
                           "within 2 s; its process was ended)"),
              std::string::npos)
        << run.out;
}

TEST(HostCheckHostileTest, ProcessesAModuleStartsEndWithTheirCheck) {
    const auto folder = test_support::scratchFolder("host_check_daemons");
    // The caller's pipe, handed down as descriptor 3, reaches its end only once every process
    // that held it has ended.
    const auto run =
        shell("ADDON_TEST_DAEMON_FOLDER=\"$2\" \"$0\" --check \"$1\" 3>&1 | cat; echo \"exit $?\"",
              {checkModule("daemon_from_constructor"), folder.string()});
    ASSERT_NE(run.end.kind, platform::ChildEnd::Kind::TimedOut) << "a daemon held the pipe";
    EXPECT_NE(run.out.find("30 checks: 30 passed"), std::string::npos) << run.out;
    std::size_t daemons = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++daemons;
        const pid_t daemon = std::stoi(entry.path().filename().string());
        EXPECT_NE(kill(daemon, 0), 0) << "daemon " << daemon << " outlived the checker";
    }
    // One per check process.
    EXPECT_GE(daemons, 25u);
}

TEST(HostCheckHostileTest, AChildInheritsOnlyItsStandardDescriptors) {
    // A pipe end this process let children inherit, as a caller's descriptor 3 would be.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(dup2(ends[1], 100), 100);
    const auto folder = test_support::scratchFolder("host_check_descriptors");
    platform::ChildOptions options;
    options.output = folder / "fds.txt";
    options.timeLimit = margin;
    const auto end = platform::runChild("/bin/ls", {"-1", "/proc/self/fd"}, options);
    close(100);
    close(ends[0]);
    close(ends[1]);
    ASSERT_TRUE(end.exitedWith(0)) << end.description();
    std::istringstream listing(test_support::readFile(options.output));
    std::set<std::string> descriptors;
    for (std::string line; std::getline(listing, line);) descriptors.insert(line);
    // 3 is the folder ls reads.
    EXPECT_EQ(descriptors, (std::set<std::string>{"0", "1", "2", "3"}));
}

TEST(HostCheckHostileTest, AModuleThatWritesOverItsResultsFailsTheSameInEveryRun) {
    std::set<std::string> outputs;
    for (int run = 0; run < 3; ++run) {
        const auto checked =
            test_support::runProgram(host(), {"--check", checkModule("garbage_writer")}, margin);
        EXPECT_EQ(checked.exitCode, 2) << checked.out;
        outputs.insert(checked.out);
        EXPECT_NE(checked.out.find(std::string("FAIL the module loads (") +
                                   host::damagedChannelText + ")"),
                  std::string::npos)
            << checked.out;
    }
    EXPECT_EQ(outputs.size(), 1u);
}

// AddressSanitizer catches a crash itself and ends the process with exit code 1.
#if defined(__SANITIZE_ADDRESS__)
const char* const crashSeen = "the check process ended with exit code 1";
#else
const char* const crashSeen = "crashed with signal 11";
#endif

TEST(HostCheckHostileTest, ACallerThatIgnoresSigchldSeesCrashesAsCrashes) {
    const auto run =
        shell("trap '' CHLD; exec \"$0\" --check \"$1\"", {checkModule("catalogue_crashes")});
    EXPECT_EQ(run.exitCode, 3) << run.out;
    EXPECT_NE(
        run.out.find(std::string("FAIL getAsDIVector returns 0 and empties the host's set (") +
                     crashSeen),
        std::string::npos)
        << run.out;
    EXPECT_EQ(count(run.out, "ended with exit code 0"), 0u) << run.out;
}

TEST(HostCheckHostileTest, TheCheckersOwnTroubleStillGivesAReport) {
    const auto report = test_support::scratchFolder("host_check_trouble") / "report.xml";
    const auto run = shell("TMPDIR=/no/such/folder exec \"$0\" --check --junit \"$2\" \"$1\"",
                           {checkModule("sample_module"), report.string()});
    EXPECT_EQ(run.exitCode, 2) << run.out << run.err;
    EXPECT_EQ(run.out,
              "FAIL the checker runs every check (no temporary folder: No such file or directory)\n"
              "1 checks: 0 passed, 1 failed, 0 skipped\n");
    const std::string junit = test_support::readFile(report);
    EXPECT_NE(junit.find("failures=\"1\""), std::string::npos) << junit;
    EXPECT_NE(junit.find("</testsuites>"), std::string::npos) << junit;
}

TEST(HostCheckHostileTest, AskedToEndTheCheckerWritesItsReportAndLeavesNoFolder) {
    const auto folder = test_support::scratchFolder("host_check_signals");
    for (const char* request : {"TERM", "INT"}) {
        const auto temporary = folder / request;
        std::filesystem::create_directories(temporary);
        const auto report = folder / (std::string(request) + ".xml");
        // Signalled once the export checks are done: the next check hangs.
        const auto run = shell(
            "TMPDIR=\"$2\" \"$0\" --check --timeout 600 --junit \"$3\" \"$1\" >\"$3.out\" &\n"
            "checker=$!\n"
            "until grep -q 'getAsFIVector is present' \"$3.out\"; do sleep 0.05; done\n"
            "kill -" +
                std::string(request) + " $checker; wait $checker; echo \"exit $?\"",
            {checkModule("version_hangs"), temporary.string(), report.string()});
        ASSERT_NE(run.end.kind, platform::ChildEnd::Kind::TimedOut) << request;
        const int signal = std::string(request) == "TERM" ? SIGTERM : SIGINT;
        EXPECT_NE(run.out.find("exit " + std::to_string(128 + signal)), std::string::npos)
            << request << run.out;
        EXPECT_TRUE(std::filesystem::is_empty(temporary)) << request;
        const std::string junit = test_support::readFile(report);
        EXPECT_NE(junit.find("<testcase name=\"the module loads\""), std::string::npos) << junit;
        EXPECT_NE(junit.find("<failure message=\"asked to end before every check ran\""),
                  std::string::npos)
            << junit;
        EXPECT_NE(junit.find("</testsuites>"), std::string::npos) << junit;
    }
}

}  // namespace
