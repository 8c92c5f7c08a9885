// Breaks the contract: getFeature lets an exception out of a function that promised none, so
// that std::terminate is called.
#include <stdexcept>

#include "sample_addon.h"

namespace {
// Not inlined, so that the compiler cannot see the throw and warn of it.
[[gnu::noinline]] void fail() {
    throw std::runtime_error("identity table missing");
}
[[gnu::noinline]] void promisesNoThrow() noexcept {
    fail();
}
}  // namespace

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
extern "C" ADDON_EXPORT int getFeature(CString*) {
    promisesNoThrow();
    return addon::resultOk;
}
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
