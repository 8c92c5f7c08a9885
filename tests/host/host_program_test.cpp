// The reference host as a program: its output and its exit codes.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "built_files.h"
#include "module/module_loader.h"
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

std::string checkModule(const std::string& name) {
    return test_support::builtModule("CheckModule_" + name).string();
}

// Whatever a module throws is read while it is loaded, and ends the host with one line.
TEST(HostProgramTest, WhatAModuleThrowsGivesOneLineAndExitCodeTwo) {
    // The interface's own failure text lives in the module, which is unloaded as the exception
    // leaves the host's calls.
    expectLoadFailure(checkModule("catalogue_throws"),
                      ": getAsDIVector() threw \"CString setDriveInfoString() failed\"");
    expectLoadFailure(checkModule("identity_throws_int"), ": getFeature() threw an int (42)");
    expectLoadFailure(checkModule("identity_throws_own_class"),
                      ": getFeature() threw an exception of type sample::IdentityUnavailable");
    // Exceptions no handler can catch end in std::terminate, which says what was thrown.
    expectLoadFailure(checkModule("identity_terminates"),
                      ": std::terminate was called after the module threw std::runtime_error: "
                      "identity table missing");
    // Windows' loader catches what DllMain throws: the load fails, what was thrown is gone.
    const bool onWindows = host::moduleSuffix() == ".dll";
    expectLoadFailure(checkModule("static_constructor_throws"),
                      onWindows ? ": its start-up threw a C++ exception, which the system loader "
                                  "caught (exception 0x20474343)"
                                : ": std::terminate was called after the module threw "
                                  "std::runtime_error: the module's tables could not be built");
}

TEST(HostProgramTest, ModulesItCannotCallAreRefusedBeforeAnyCall) {
    expectLoadFailure(checkModule("old_string_abi"),
                      ": built against another C++ runtime than the host's: uses the std::string "
                      "of before C++11 (built with _GLIBCXX_USE_CXX11_ABI=0)");
    expectLoadFailure(checkModule("versions_mangled"),
                      ": missing export 'getVer' (exports getVer only as a C++ name: _Z6getVerv)");
    // Windows has no FIFOs (Wine shows a Unix one as no file at all).
    const auto fifo = test_support::scratchFolder("host_fifo") / "Fifo.so";
    if (host::moduleSuffix() != ".dll" &&
        test_support::runProgram("/usr/bin/mkfifo", {fifo.string()}).exitCode == 0) {
        expectLoadFailure(fifo.string(), ": not a module file but a FIFO");
    }
}

// A module that prints to standard output and answers in Windows-1252 still gets one valid
// JSON document, with its texts in UTF-8; what it printed went to the error output.
TEST(HostProgramTest, JsonStaysOneValidDocument) {
    const auto run = runHost({"--json", "--drive", "caf\xe9", checkModule("chatty_windows_1252")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json document = nlohmann::json::parse(run.out);
    EXPECT_EQ(document["identity"], "Caf\xc3\xa9");
    EXPECT_EQ(document["driveCatalogue"], nlohmann::json::array({"D=\xe2\x82\xac-100"}));
    ASSERT_EQ(document["features"].size(), 2u);
    EXPECT_EQ(document["features"][0]["features"], nlohmann::json({{"D\xc3\x89"
                                                                    "BIT",
                                                                    "01.00"}}));
    // The --drive code, as the host received it (on Windows through the ANSI code page).
    EXPECT_EQ(document["features"][1]["driveType"], "caf\xc3\xa9");
    EXPECT_NE(run.err.find("chatter from getVer"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("more chatter from getFeaturesAndVersions"), std::string::npos)
        << run.err;
}

}  // namespace
