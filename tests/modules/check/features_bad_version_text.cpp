// Breaks the contract: one version text lacks its leading zeros ("1.0" for "01.00").
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
extern "C" ADDON_EXPORT int getFeaturesAndVersions(const std::string* driveType,
                                                   addon::FeatureMap* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    const int result = sample::getFeaturesAndVersions(driveType, features);
    if (features->count("FLOW") != 0 && (*features)["FLOW"] == "01.00") (*features)["FLOW"] = "1.0";
    return result;
}
extern "C" ADDON_EXPORT int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    if (driveType == nullptr || names == nullptr) return addon::resultNone;
    addon::FeatureMap features;
    const int result = getFeaturesAndVersions(driveType, &features);
    for (const auto& feature : features) names->insert(feature.first);
    return result;
}
