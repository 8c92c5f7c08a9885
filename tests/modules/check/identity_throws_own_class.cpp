// Breaks the contract: getFeature throws an object of a class of the module's own, whose type
// information lives in the module.
#include "sample_addon.h"

namespace sample {
struct IdentityUnavailable {
    int reason = 7;
};
}  // namespace sample

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
extern "C" ADDON_EXPORT int getFeature(CString* identity) {
    if (identity == nullptr) return addon::resultNone;
    throw sample::IdentityUnavailable{};
}
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
