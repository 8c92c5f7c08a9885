// Breaks the contract: getVer ends the host's process with exit(0), the code of success.
#include <cstdlib>

#include "sample_addon.h"

extern "C" ADDON_EXPORT int getVer() {
    std::exit(0);
}
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
