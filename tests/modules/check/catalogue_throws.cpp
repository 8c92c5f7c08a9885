// Breaks the contract: getAsDIVector throws a character string instead of answering, as a
// module does when it cannot build a drive-info string: the interface's own failure text, a
// character array of the module's, which is gone once the module is unloaded.
#include "sample_addon.h"

namespace {
char failure[] = "CString setDriveInfoString() failed";
}

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
extern "C" ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    throw failure;
}
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
