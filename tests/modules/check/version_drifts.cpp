// Breaks the contract: getVer gives the sample's version for its first four calls after the
// load, then one more.
#include "sample_addon.h"

namespace {
int calls = 0;
}

extern "C" ADDON_EXPORT int getVer() {
    return ++calls > 4 ? sample::getVer() + 1 : sample::getVer();
}
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
