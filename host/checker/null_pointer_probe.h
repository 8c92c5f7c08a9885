#pragma once

#include <string>
#include <vector>

#include "module/export_table.h"

namespace host {

// One export call with a null pointer in place of a host container. The checker makes each in
// a process of its own, so that a module that crashes on it fails that one check instead of
// ending the checker.
struct NullPointerProbe {
    std::string name;         // the probe's name, which names its check to the check process
    std::string exportName;   // the export it calls
    std::string description;  // what it calls, for the check's line
};

// Every probe: each pointer parameter of each export, null on its own.
const std::vector<NullPointerProbe>& nullPointerProbes();

// Makes the probe's call, passing `driveType` wherever the call takes a drive type that is not
// the null one; false when the module lacks the export or the probe is unknown. What the
// module throws goes on to the caller.
bool callWithNull(const ExportTable& exports, const std::string& probeName,
                  const std::string& driveType);

}  // namespace host
