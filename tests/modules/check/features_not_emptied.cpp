// Breaks the contract: getFeaturesAndVersions adds to what the host's map held.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
extern "C" ADDON_EXPORT int getFeaturesAndVersions(const std::string* driveType,
                                                   addon::FeatureMap* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    const addon::FeatureMap found = sample::featuresOf(*driveType);
    features->insert(found.begin(), found.end());
    return found.empty() ? addon::resultNone : addon::resultOk;
}
SAMPLE_EXPORT_GET_AS_FI_VECTOR
