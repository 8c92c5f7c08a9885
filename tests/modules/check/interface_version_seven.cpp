// Breaks the contract: getInterfaceVer gives 7, always the same, but not the host's version.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
extern "C" ADDON_EXPORT int getInterfaceVer() {
    return 7;
}
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
