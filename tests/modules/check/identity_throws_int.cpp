// Breaks the contract: getFeature throws an int, a type no host knows to catch.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
extern "C" ADDON_EXPORT int getFeature(CString* identity) {
    if (identity == nullptr) return addon::resultNone;
    throw 42;
}
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
