#pragma once

// Every check of the interface contract, in one table: its id, its title, the exports it needs
// and what it does. The checker (check.h) goes through the table in order; the checks that
// call into the module run in check processes of their own (check_child.h), which find their
// bodies in the same table by id.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "check_protocol.h"
#include "client/answer_snapshot.h"
#include "module/export_table.h"

namespace host {

// What a check process knows when it calls into the module: its input, and what earlier check
// processes handed on (read before the module is loaded).
struct CheckContext {
    CheckInput input;
    // The drive types the feature checks and the probes ask: the catalogue's (once the
    // catalogue check has run), then the extra ones.
    std::vector<std::string> driveTypes;
    // The drive type passed with a null container: the first that has features, else the
    // first asked.
    std::string probeDriveType;
    // The first load's snapshot of every answer, for the checks that compare with it.
    std::optional<AnswerSnapshot> firstSnapshot;
};

// What a check does in its check process, on the loaded module's exports.
using CheckBody = std::function<CheckOutcome(const ExportTable&, const CheckContext&)>;

struct ContractCheck {
    enum class Kind {
        Runtime,        // the module file's C++ runtime, judged by the checker
        Load,           // a check process loads the module and lists its exports
        ExportPresent,  // the export named in `needs`, from what the load found
        CheckProcess,   // `run`, in a check process of its own
        CallOrder,      // snapshots forward, then the other way round after a fresh load
        FreshLoads,     // the same snapshot in three fresh loads
    };
    Kind kind;
    std::string id;                  // how the checker names the check to its process
    std::string title;               // its line: "getVer gives the same answer on every call"
    std::vector<std::string> needs;  // the exports it calls; missing ones skip it
    CheckBody run;                   // for Kind::CheckProcess
};

// Every check, in the order the checker runs them.
const std::vector<ContractCheck>& contractChecks();

// Ids of the check processes that are parts of a check rather than checks of their own: the
// snapshots of the call-order and fresh-load checks (the first one hands itself on, the later
// ones compare with it in their own process, so that the checker never holds a snapshot), and
// the unload, which asks every export once first.
inline constexpr const char* firstSnapshotId = "snapshot-first";
inline constexpr const char* reverseSnapshotId = "snapshot-reverse";
inline constexpr const char* againSnapshotId = "snapshot-again";
inline constexpr const char* unloadId = "unload";

// How often the repeated-calls checks call each export in one process.
inline constexpr int repeatedCalls = 100;

// Reads what the check `id` needs of what earlier check processes handed on. Throws
// std::runtime_error when that is damaged.
CheckContext prepareContext(const std::string& id, const CheckInput& input);

// Runs the check `id` on the loaded module's exports. What the module throws goes on to the
// caller; the module must stay loaded until the caller has described it.
CheckOutcome runContractCheck(const std::string& id, const ExportTable& exports,
                              const CheckContext& context);

}  // namespace host
