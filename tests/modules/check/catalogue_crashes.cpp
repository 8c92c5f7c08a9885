// Breaks the contract: getAsDIVector writes through a null pointer on every call.
#include "sample_addon.h"

namespace {
// Read at run time, so that the compiler cannot see the null pointer and drop the write.
int* volatile nowhere = nullptr;
}  // namespace

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
extern "C" ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet*) {
    *nowhere = 1;
    return addon::resultOk;
}
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
