// Breaks the contract: getVer counts up on every call.
#include "sample_addon.h"

namespace {
int nextVersion = sample::getVer();
}

extern "C" ADDON_EXPORT int getVer() {
    return nextVersion++;
}
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
