#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace host {

// One export call with a null pointer in place of a host container. The checker makes each in
// a process of its own (the host program started again with a hidden option), so that a module
// that crashes on it fails that one check instead of ending the checker.
struct NullPointerProbe {
    std::string name;         // the probe's name on the command line
    std::string exportName;   // the export it calls
    std::string description;  // what it calls, for the check's line
};

// Every probe: each pointer parameter of each export, null on its own.
const std::vector<NullPointerProbe>& nullPointerProbes();

// The hidden command-line option that runs one probe.
inline constexpr const char* nullPointerProbeOption = "--null-pointer-probe";

// Exit codes of a probe process.
inline constexpr int probeReturned = 0;
inline constexpr int probeUnusable = 2;  // module not loadable, export missing, unknown probe
inline constexpr int probeThrew = 3;

// Runs one probe in this process: loads the module and makes the call, passing `driveType`
// wherever the call takes a drive type that is not the null one. Returns the exit code.
int runNullPointerProbe(const std::filesystem::path& module, const std::string& probeName,
                        const std::string& driveType);

// Starts `program` (the host) to run one probe, its output thrown away (a crash report of the
// system would otherwise land among the checker's lines), and returns its exit code, or -1
// when the process did not end normally (it crashed).
int startNullPointerProbe(const std::filesystem::path& program, const std::filesystem::path& module,
                          const NullPointerProbe& probe, const std::string& driveType);

}  // namespace host
