// Breaks the contract: a static object's constructor throws while the module is loaded.
#include <stdexcept>

#include "sample_addon.h"

namespace {
struct StartUp {
    StartUp() { throw std::runtime_error("the module's tables could not be built"); }
};
const StartUp startUp;
}  // namespace

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
