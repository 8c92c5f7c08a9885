// Breaks the contract: getVer and getInterfaceVer are exported as C++ functions, under their
// mangled names (_Z6getVerv, _Z15getInterfaceVerv), not under their plain names.
#include "sample_addon.h"

ADDON_EXPORT int getVer() {
    return sample::getVer();
}
ADDON_EXPORT int getInterfaceVer() {
    return sample::getInterfaceVer();
}
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
