#pragma once

// The checks of the interface contract that call into the module, each run by a check process
// of its own on the module it has loaded (check_child.h); the checker (check.h) lists them,
// starts their processes and holds their outcomes together.
#include <functional>
#include <string>
#include <vector>

#include "check_protocol.h"
#include "module/export_table.h"

namespace host {

// What a check does in its check process, on the loaded module's exports.
using CheckBody = std::function<CheckOutcome(const ExportTable&, const CheckInput&)>;

struct ContractCheck {
    std::string id;                  // how the checker names the check to its process
    std::string title;               // its line: "getVer gives the same answer on every call"
    std::vector<std::string> needs;  // the exports it calls; missing ones skip it
    CheckBody run;
};

// Checks of the single exports, in the order they are run: versions, identity, catalogue,
// features and feature names.
const std::vector<ContractCheck>& exportChecks();

// The check of repeated calls, the two halves of the call-order check (a snapshot each, taken
// in processes of their own: forward, then after a fresh load the other way round), and the
// unload (which asks every export once first).
inline constexpr const char* repeatedCallsId = "repeated";
inline constexpr const char* forwardSnapshotId = "snapshot-forward";
inline constexpr const char* reverseSnapshotId = "snapshot-reverse";
inline constexpr const char* unloadId = "unload";
// Null-pointer probes are named "null:" and the probe's name (null_pointer_probe.h).
inline constexpr const char* nullPointerIdPrefix = "null:";

// Runs the check `id` on the loaded module's exports. What the module throws goes on to the
// caller; the module must stay loaded until the caller has described it.
CheckOutcome runContractCheck(const std::string& id, const ExportTable& exports,
                              const CheckInput& input);

}  // namespace host
