#pragma once

// How the checker and a check process talk: the checker starts the host program again with the
// hidden options below to run one check in a process of its own, hands it its input in a file,
// and reads back the outcome from another. A third file, of text lines, tells how far the check
// process got and how it ended when it ended otherwise than by returning from the check.
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace host {

inline constexpr const char* checkChildOption = "--check-child";
inline constexpr const char* checkFilesOption = "--check-files";

// What a check process is given besides the module.
struct CheckInput {
    // The drive types the feature checks and the null-pointer probes ask.
    std::vector<std::string> driveTypes;
    // The drive types a snapshot asks besides those of the catalogue (in reverse order: only
    // these).
    std::vector<std::string> snapshotDriveTypes;
    // The drive type passed with a null container.
    std::string probeDriveType;
    // The checker's process, with which the check process ends.
    unsigned long checkerProcess = 0;
};

// What a check process hands back when the check returned.
struct CheckOutcome {
    bool passed = false;
    std::string seen;
    // What the checker learns besides the verdict, under the keys below.
    nlohmann::json data = nlohmann::json::object();
};

// Keys of CheckOutcome::data: the exports the load check found, the drive catalogue, and the
// snapshot of every answer.
inline constexpr const char* outcomeExports = "exports";
inline constexpr const char* outcomeCatalogue = "catalogue";
inline constexpr const char* outcomeSnapshot = "snapshot";

// The three files of one check process, named by one prefix.
struct CheckFiles {
    explicit CheckFiles(const std::string& prefix)
        : input(prefix + ".input"), events(prefix + ".events"), outcome(prefix + ".outcome") {}
    std::filesystem::path input;
    std::filesystem::path events;
    std::filesystem::path outcome;
};

// Lines of the events file: "phase <phase>" as the check process goes on, and at most one
// "end <how>" written by the handlers that see the process end early.
inline constexpr const char* eventPhase = "phase ";
inline constexpr const char* eventEnd = "end ";
inline constexpr const char* phaseLoading = "loading";
inline constexpr const char* phaseCalling = "calling";
inline constexpr const char* phaseCallingBeforeUnload = "calling-before-unload";
inline constexpr const char* phaseUnloading = "unloading";
inline constexpr const char* phaseExiting = "exiting";
inline constexpr const char* phaseDone = "done";
inline constexpr const char* endExit = "exit";
inline constexpr const char* endAbort = "abort";
inline constexpr const char* endTerminate = "terminate";

// The files hold CBOR, which keeps every byte of a text (a module's answers need not be UTF-8).
// Writing and reading throw std::runtime_error (reading: also nlohmann::json::exception) when
// the file cannot be written or holds no complete document.
void writeCheckInput(const std::filesystem::path& file, const CheckInput& input);
CheckInput readCheckInput(const std::filesystem::path& file);
void writeCheckOutcome(const std::filesystem::path& file, const CheckOutcome& outcome);
CheckOutcome readCheckOutcome(const std::filesystem::path& file);

}  // namespace host
