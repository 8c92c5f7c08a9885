// addon-host --check on the real add-on, on a sample add-on that keeps the contract, and on
// variants of the sample that each break it in one place: exactly the right checks fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <system_error>

#include "built_files.h"
#include "module/module_loader.h"
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
    std::vector<std::string> lines;  // every check's line, in order, without the line end
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
    std::vector<std::string> others;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("PASS ", 0) == 0) {
            run.passed.insert(checkName(line));
        } else if (line.rfind("FAIL ", 0) == 0) {
            run.failed.insert(checkName(line));
        } else if (line.rfind("SKIP ", 0) == 0) {
            run.skipped.insert(checkName(line));
        } else {
            others.push_back(line);
            continue;
        }
        if (!others.empty()) ADD_FAILURE() << "a check's line after " << others.back();
        run.lines.push_back(line);
    }
    // The run always ends with its count, and says the truth about it.
    const std::string summary = std::to_string(run.lines.size()) +
                                " checks: " + std::to_string(run.passed.size()) + " passed, " +
                                std::to_string(run.failed.size()) + " failed, " +
                                std::to_string(run.skipped.size()) + " skipped";
    EXPECT_EQ(others, std::vector<std::string>{summary}) << run.out;
    EXPECT_EQ(run.exitCode == 0, run.failed.empty()) << run.out;
    return run;
}

// The line of the check `name`, or empty.
std::string lineOf(const CheckRun& run, const std::string& name) {
    for (const std::string& line : run.lines) {
        if (checkName(line) == name) return line;
    }
    return std::string();
}

std::filesystem::path checkModule(const std::string& name) {
    return test_support::builtModule("CheckModule_" + name);
}

// One run per module and arguments for the whole test program: each run starts some thirty
// processes, which is slow under Wine.
const CheckRun& checkedModule(const std::string& name,
                              const std::vector<std::string>& arguments = {}) {
    static std::map<std::pair<std::string, std::vector<std::string>>, CheckRun> runs;
    const auto key = std::make_pair(name, arguments);
    auto run = runs.find(key);
    if (run == runs.end()) run = runs.emplace(key, runCheck(checkModule(name), arguments)).first;
    return run->second;
}

bool onWindows() {
    return host::moduleSuffix() == ".dll";
}

// Every check the host makes on a module that has all exports.
constexpr std::size_t checkCount = 30;

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
    std::vector<std::string> arguments = {};
};

void PrintTo(const BrokenModule& module, std::ostream* out) {
    *out << module.name;
}

class BrokenModuleTest : public testing::TestWithParam<BrokenModule> {};

TEST_P(BrokenModuleTest, ExactlyTheBrokenRuleFails) {
    const BrokenModule& broken = GetParam();
    const CheckRun& run = checkedModule(broken.name, broken.arguments);
    EXPECT_EQ(run.exitCode, 3) << run.out << run.err;
    EXPECT_EQ(run.failed, broken.failingChecks) << run.out;
    EXPECT_EQ(run.passed.size() + run.failed.size() + run.skipped.size(), checkCount) << run.out;
}

const std::string repeated = "repeated calls give identical answers";
const std::string callOrder = "answers do not depend on call order, asked again after a fresh load";
const std::string unloads = "the module unloads";
const std::string freshLoads = "three fresh loads give identical answers";
const std::string interfaceVersion = "getInterfaceVer gives the interface version the host speaks";
// Short, so that each hanging check costs little, but long enough for a check process to
// start and finish under Wine on a busy machine.
const std::vector<std::string> shortTimeLimit = {"--timeout", "2"};

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
                      "getAsDIVector fills the set with well-formed drive-info strings"}},
        // What kills a process fails each check whose calls meet it, and only those.
        BrokenModule{
            "catalogue_crashes",
            {"getAsDIVector returns 0 and empties the host's set",
             "getAsDIVector fills the set with well-formed drive-info strings", repeated, callOrder,
             freshLoads, "getAsDIVector with a null set does not crash", unloads}},
        BrokenModule{"version_hangs",
                     {"getVer gives the same answer on every call", repeated, callOrder, freshLoads,
                      unloads},
                     shortTimeLimit},
        BrokenModule{"version_exits",
                     {"getVer gives the same answer on every call", repeated, callOrder, freshLoads,
                      unloads}},
        BrokenModule{"interface_version_aborts",
                     {"getInterfaceVer gives the same answer on every call", interfaceVersion,
                      repeated, callOrder, freshLoads, unloads}},
        BrokenModule{"identity_terminates",
                     {"getFeature returns 0 and sets the same identity on every call, replacing "
                      "the string's text",
                      repeated, callOrder, freshLoads,
                      "getFeature with a null string does not crash", unloads}},
        BrokenModule{"identity_throws_int",
                     {"getFeature returns 0 and sets the same identity on every call, replacing "
                      "the string's text"}},
        BrokenModule{"identity_throws_own_class",
                     {"getFeature returns 0 and sets the same identity on every call, replacing "
                      "the string's text"}},
        BrokenModule{"unload_crashes", {unloads}},
        BrokenModule{"versions_mangled",
                     {"export getVer is present", "export getInterfaceVer is present"}},
        BrokenModule{"old_string_abi", {"the module uses the host's C++ runtime"}},
        BrokenModule{"interface_version_seven", {interfaceVersion}},
        // Three calls per process would not see it; a hundred do.
        BrokenModule{"version_drifts", {"getVer gives the same answer on every call", repeated}}),
    [](const testing::TestParamInfo<BrokenModule>& info) { return info.param.name; });

TEST(HostCheckTest, AMissingExportSkipsTheChecksThatNeedIt) {
    const CheckRun& run = checkedModule("missing_export");
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
    const CheckRun& trailing = checkedModule("catalogue_trailing_separator");
    EXPECT_NE(trailing.out.find("(\"D=AB-100;\" ends with \";\")"), std::string::npos)
        << trailing.out;
    const CheckRun& order = checkedModule("catalogue_key_order");
    EXPECT_NE(order.out.find("key \"V\" (field 3) after \"B\" (field 6)"), std::string::npos)
        << order.out;
    const CheckRun& version = checkedModule("features_bad_version_text");
    EXPECT_NE(version.out.find("\"AB-100\": \"FLOW\" \"1.0\""), std::string::npos) << version.out;
    const CheckRun& throws = checkedModule("catalogue_throws");
    EXPECT_NE(
        throws.out.find("empties the host's set (threw \"CString setDriveInfoString() failed\")"),
        std::string::npos)
        << throws.out;
    const CheckRun& unstable = checkedModule("unstable_version");
    EXPECT_NE(unstable.out.find("getVer gives the same answer on every call (7, then 8 at call 2)"),
              std::string::npos)
        << unstable.out;
}

TEST(HostCheckTest, TheInterfaceVersionIsHeldToTheHostsOrTheOneAskedFor) {
    const CheckRun& seven = checkedModule("interface_version_seven");
    EXPECT_EQ(lineOf(seven, interfaceVersion),
              "FAIL " + interfaceVersion + " (7, but the host speaks 120)");
    const CheckRun& drifts = checkedModule("version_drifts");
    EXPECT_EQ(lineOf(drifts, "getVer gives the same answer on every call"),
              "FAIL getVer gives the same answer on every call (7, then 8 at call 5)");

    const CheckRun& forSeven =
        checkedModule("interface_version_seven", {"--interface-version", "7"});
    EXPECT_EQ(forSeven.exitCode, 0) << forSeven.out;
    EXPECT_EQ(lineOf(forSeven, interfaceVersion), "PASS " + interfaceVersion + " (7)");
    const CheckRun& sampleForSeven = checkedModule("sample_module", {"--interface-version", "7"});
    EXPECT_EQ(sampleForSeven.failed, std::set<std::string>{interfaceVersion}) << sampleForSeven.out;
    EXPECT_NE(sampleForSeven.out.find("(120, but the host speaks 7)"), std::string::npos);
    for (const char* bad : {"0", "-3", "twelve"}) {
        const auto run = test_support::runHost(
            {"--check", "--interface-version", bad, checkModule("sample_module").string()});
        EXPECT_EQ(run.exitCode, 1) << bad;
    }
    EXPECT_EQ(test_support::runHost({"--interface-version", "7"}).exitCode, 1);
}

TEST(HostCheckTest, AModulesTextsCannotForgeLinesOrReachTheTerminal) {
    const CheckRun& run = checkedModule("identity_control_bytes");
    // runCheck found exactly the checks and the summary, nothing a forged line added.
    EXPECT_EQ(run.lines.size(), checkCount) << run.out;
    EXPECT_EQ(run.exitCode, 0) << run.out;
    for (const char byte : run.out) {
        const auto code = static_cast<unsigned char>(byte);
        EXPECT_TRUE(code >= 0x20 || byte == '\n' || (onWindows() && byte == '\r'))
            << "control byte " << static_cast<int>(code) << " in the output";
    }
    EXPECT_NE(run.out.find("(\"forged)\\nPASS everything\\r\\n\\x1B[2J\\x1B]0;title\\x07"
                           "\\u009B31m\\tend\")"),
              std::string::npos)
        << run.out;
}

TEST(HostCheckTest, ALargeCatalogueIsCheckedWhole) {
    const CheckRun& run = checkedModule("huge_catalogue", {"--timeout", "120"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("(20000 strings, first \"D=HC-0000000;V=1\")"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("(2000 of 20002 drive types have features)"), std::string::npos)
        << run.out;
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

// AddressSanitizer catches a crash itself, keeps the check process from undoing its handler,
// and ends the process with exit code 1.
#if defined(__SANITIZE_ADDRESS__)
const char* const sanitizedCrash =
    "the check process ended with exit code 1 before the check returned";
#else
const char* const sanitizedCrash = nullptr;
#endif

// How a check process ended, said in its check's line.
TEST(HostCheckTest, WhatEndedACheckIsNamed) {
    const std::string crash = sanitizedCrash != nullptr ? sanitizedCrash
                              : onWindows() ? "crashed with exception 0xC0000005 (access violation)"
                                            : "crashed with signal 11 (Segmentation fault)";
    const std::string identity =
        "getFeature returns 0 and sets the same identity on every call, replacing the string's "
        "text";
    const struct {
        std::string module;
        std::vector<std::string> arguments;
        std::string check;
        std::string seen;
    } cases[] = {
        {"catalogue_crashes", {}, "getAsDIVector returns 0 and empties the host's set", crash},
        {"catalogue_crashes",
         {},
         unloads,
         "while the exports were called before the unload, " + crash},
        {"unload_crashes", {}, unloads, "while the module was unloading, " + crash},
        {"version_exits",
         {},
         "getVer gives the same answer on every call",
         "the module called exit(0)"},
        {"version_exits", {}, callOrder, "asked forward: the module called exit(0)"},
        {"interface_version_aborts",
         {},
         "getInterfaceVer gives the same answer on every call",
         "the module called abort()"},
        {"identity_terminates",
         {},
         identity,
         "std::terminate was called after the module threw std::runtime_error: identity table "
         "missing"},
        {"version_hangs", shortTimeLimit, "getVer gives the same answer on every call",
         "did not return within 2 s; its process was ended"},
        {"identity_throws_int", {}, identity, "the first call threw an int (42)"},
        {"identity_throws_own_class",
         {},
         identity,
         "the first call threw an exception of type sample::IdentityUnavailable"},
        {"versions_mangled",
         {},
         "export getVer is present",
         "exports getVer only as a C++ name: _Z6getVerv"},
        {"versions_mangled",
         {},
         "getVer gives the same answer on every call",
         "needs getVer, which is missing"},
        {"old_string_abi",
         {},
         identity,
         "needs the host's C++ runtime, which the module does not use"},
    };
    for (const auto& test : cases) {
        const CheckRun& run = checkedModule(test.module, test.arguments);
        const std::string line = lineOf(run, test.check);
        EXPECT_EQ(line.substr(line.find(' ') + 1), test.check + " (" + test.seen + ")")
            << test.module << "\n"
            << run.out;
    }
    const CheckRun& old = checkedModule("old_string_abi");
    EXPECT_NE(lineOf(old, "the module uses the host's C++ runtime")
                  .find("FAIL the module uses the host's C++ runtime (uses the std::string of "
                        "before C++11 (built with _GLIBCXX_USE_CXX11_ABI=0): _ZN"),
              std::string::npos)
        << old.out;
}

TEST(HostCheckTest, AModuleWhoseStartUpFailsSkipsEveryOtherCheck) {
    const CheckRun& run = checkedModule("static_constructor_throws");
    EXPECT_EQ(run.exitCode, 2) << run.out;
    EXPECT_EQ(run.failed, std::set<std::string>{"the module loads"}) << run.out;
    EXPECT_EQ(run.passed, std::set<std::string>{"the module uses the host's C++ runtime"});
    EXPECT_EQ(run.skipped.size(), checkCount - 2) << run.out;
    EXPECT_NE(lineOf(run, "getVer gives the same answer on every call")
                  .find("(needs the module to load, which failed)"),
              std::string::npos);
    EXPECT_NE(run.err.find(onWindows() ? "its start-up threw a C++ exception"
                                       : "the module's tables could not be built"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

TEST(HostCheckTest, JsonHoldsTheSameChecksAsTheLines) {
    // A module that prints on every call and answers in Windows-1252: the document stays one
    // valid JSON document, its texts UTF-8.
    const test_support::ProgramRun json =
        test_support::runHost({"--check", "--json", checkModule("chatty_windows_1252").string()});
    const CheckRun& lines = checkedModule("chatty_windows_1252");
    ASSERT_EQ(json.exitCode, 0) << json.out << json.err;
    const nlohmann::json document = nlohmann::json::parse(json.out);
    ASSERT_EQ(document["checks"].size(), lines.lines.size());
    for (std::size_t index = 0; index < lines.lines.size(); ++index) {
        EXPECT_EQ(document["checks"][index]["name"], checkName(lines.lines[index]));
        EXPECT_EQ(document["checks"][index]["verdict"], "pass");
    }
    EXPECT_EQ(document["checks"][10]["seen"], "\"Caf\xc3\xa9\"");
    EXPECT_EQ(document["summary"]["checks"], checkCount);
    EXPECT_EQ(document["summary"]["passed"], checkCount);

    // The same for a module with failures and skips.
    const test_support::ProgramRun broken =
        test_support::runHost({"--check", "--json", checkModule("versions_mangled").string()});
    EXPECT_EQ(broken.exitCode, 3);
    const nlohmann::json brokenDocument = nlohmann::json::parse(broken.out);
    EXPECT_EQ(brokenDocument["summary"]["failed"], 2);
    EXPECT_EQ(brokenDocument["summary"]["skipped"], 3);
    EXPECT_EQ(brokenDocument["checks"][2]["verdict"], "fail");
    EXPECT_EQ(brokenDocument["checks"][2]["seen"], "exports getVer only as a C++ name: _Z6getVerv");
}

TEST(HostCheckTest, BadReportOptionsAreRefusedBeforeAnyCheck) {
    const auto module = checkModule("sample_module").string();
    const auto noFolder =
        test_support::runHost({"--check", "--junit", "/no/such/folder/report.xml", module});
    EXPECT_EQ(noFolder.exitCode, 1) << noFolder.out;
    EXPECT_TRUE(noFolder.out.empty()) << noFolder.out;
    EXPECT_NE(noFolder.err.find("cannot write the JUnit report /no/such/folder/report.xml"),
              std::string::npos)
        << noFolder.err;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--timeout", "5", module},
          std::vector<std::string>{"--check", "--timeout", "0", module},
          std::vector<std::string>{"--check", "--timeout", "soon", module},
          std::vector<std::string>{"--junit", "report.xml", module}}) {
        const auto run = test_support::runHost(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments[1] << run.out;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

TEST(HostCheckTest, AFileTheSystemCannotOpenIsNamedWithTheSystemsReason) {
    // Wine shows neither reason as a Windows error of its own.
    if (onWindows()) GTEST_SKIP() << "POSIX file system errors";
    const auto folder = test_support::scratchFolder("host_check_unopenable");
    std::filesystem::create_symlink("Second.so", folder / "First.so");
    std::filesystem::create_symlink("First.so", folder / "Second.so");
    const std::string tooLong = (folder / (std::string(5000, 'm') + ".so")).string();
    const struct {
        std::string module;
        std::string reason;
    } cases[] = {
        {(folder / "First.so").string(), std::generic_category().message(ELOOP)},
        {tooLong, std::generic_category().message(ENAMETOOLONG)},
    };
    for (const auto& test : cases) {
        const CheckRun run = runCheck(test.module);
        EXPECT_EQ(run.exitCode, 2) << run.out;
        EXPECT_EQ(lineOf(run, "the module loads"),
                  "FAIL the module loads (cannot be opened: " + test.reason + ")");
        EXPECT_NE(run.err.find(": cannot be opened: " + test.reason + "\n"), std::string::npos)
            << run.err;
    }
}

TEST(HostCheckTest, AFifoIsNoModuleAndDoesNotBlock) {
    // Windows has no FIFOs (Wine shows a Unix one as no file at all).
    if (onWindows()) GTEST_SKIP() << "no FIFOs on Windows";
    const auto fifo = test_support::scratchFolder("host_check_fifo") / "Fifo.so";
    if (test_support::runProgram("/usr/bin/mkfifo", {fifo.string()}).exitCode != 0) {
        GTEST_SKIP() << "no mkfifo on this system";
    }
    const CheckRun run = runCheck(fifo);
    EXPECT_EQ(run.exitCode, 2) << run.out;
    EXPECT_EQ(run.failed, std::set<std::string>{"the module loads"}) << run.out;
    EXPECT_NE(run.err.find("not a module file but a FIFO"), std::string::npos) << run.err;
}

}  // namespace
