// Breaks the contract: a static object's constructor throws while the module is loaded.
#include <stdexcept>

#include "sample_addon.h"

namespace {
struct StartUp {
    StartUp() { throw std::runtime_error("the module's tables could not be built"); }
};
const StartUp startUp;
}  // namespace

SAMPLE_EXPORT_EVERY_FUNCTION
