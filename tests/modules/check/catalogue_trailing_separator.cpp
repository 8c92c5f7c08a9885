// Breaks the contract: one drive-info string ends with the field separator.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
extern "C" ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    *driveInfos = {"D=AB-100;", "D=CD 300"};
    return addon::resultOk;
}
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
