// Breaks the contract: getAsDIVector adds its strings to what the host's set held.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
extern "C" ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    for (const std::string& driveInfo : sample::catalogue()) driveInfos->insert(driveInfo);
    return addon::resultOk;
}
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
