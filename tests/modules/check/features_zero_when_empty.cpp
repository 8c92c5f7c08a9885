// Breaks the contract: getFeaturesAndVersions gives 0 also when it has no feature to report.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
extern "C" ADDON_EXPORT int getFeaturesAndVersions(const std::string* driveType,
                                                   addon::FeatureMap* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    sample::getFeaturesAndVersions(driveType, features);
    return addon::resultOk;
}
extern "C" ADDON_EXPORT int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    if (driveType == nullptr || names == nullptr) return addon::resultNone;
    addon::FeatureMap features;
    const int result = getFeaturesAndVersions(driveType, &features);
    for (const auto& feature : features) names->insert(feature.first);
    return result;
}
