// Breaks the contract: getFeature writes through whatever pointer it is given, null included.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
extern "C" ADDON_EXPORT int getFeature(CString* identity) {
    *identity = "sample";
    return addon::resultOk;
}
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
