// Breaks the contract: one drive-info string has its fields in key order, not field order
// ("B" is field 6, "V" field 3).
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
extern "C" ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    *driveInfos = {"D=AB-100", "D=AB-200;B=b;V=a"};
    return addon::resultOk;
}
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
