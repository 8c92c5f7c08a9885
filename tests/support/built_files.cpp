#include "built_files.h"

#include "module/module_loader.h"

namespace test_support {

std::filesystem::path builtModule(const std::string& baseName) {
    return host::programDirectory() / (baseName + host::moduleSuffix());
}

std::filesystem::path builtProgram(const std::string& baseName) {
    // Programs carry the same ending as the test executable that runs them.
    return host::programDirectory() / (baseName + host::programFile().extension().string());
}

}  // namespace test_support
