#pragma once

// Whether a module was built against the host's own C++ runtime. The host hands its own
// std::string, std::set, std::map and CString objects to the module by pointer, so both sides
// must share one build of the standard library, one layout of its types and one heap; a module
// built against another would corrupt memory on its first call. Judged from the files alone,
// before the module is loaded.
#include <filesystem>
#include <string>

#include "module_file.h"

namespace host {

struct RuntimeJudgement {
    enum class Verdict {
        Same,       // the module uses the host's C++ runtime, or none at all
        Different,  // it was built against another one: no call may be made into it
        Unknown,    // a file could not be read, or is for another system than the host's
    };
    Verdict verdict = Verdict::Unknown;
    // What was found: the runtime seen, the mismatch, or why it could not be judged.
    std::string seen;
};

// Judges a module's file facts against the host program's own.
RuntimeJudgement judgeRuntime(const ModuleFileFacts& module, const ModuleFileFacts& hostProgram);

// Reads the module file and the running host's program file and judges them.
RuntimeJudgement judgeModuleRuntime(const std::filesystem::path& module);

}  // namespace host
