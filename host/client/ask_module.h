#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace host {

struct AskOptions {
    // The module file as given (printed as it was given).
    std::string module;
    // Drive type codes asked about besides those of the module's drive catalogue.
    std::vector<std::string> extraDriveTypes;
    // Print the answers as one JSON document instead of text.
    bool json = false;
};

// Exit codes of the host program, shared by asking and checking.
inline constexpr int exitAnswered = 0;
inline constexpr int exitBadCommandLine = 1;
inline constexpr int exitModuleUnusable = 2;

// Loads the module, asks it everything through its exports and prints the answers to `out`
// (text or JSON). A module that cannot be used (missing, not loadable, built against another
// C++ runtime, an export missing, a refused load, an export threw or ended in std::terminate)
// gets one line "addon-host: <module>: <problem>" on `errors` and exitModuleUnusable. What the
// module itself prints while it is called goes to the error output, so that `out` stays one
// report.
int askModule(const AskOptions& options, std::ostream& out, std::ostream& errors);

}  // namespace host
