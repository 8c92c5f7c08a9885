// Breaks the contract: every getAsDIVector call after the first reports one drive type more.
#include "sample_addon.h"

namespace {
int catalogueCalls = 0;
}

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
extern "C" ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    const int result = sample::getAsDIVector(driveInfos);
    if (++catalogueCalls > 1) driveInfos->insert("D=EF-" + std::to_string(catalogueCalls));
    return result;
}
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
