#pragma once

// A small add-on that keeps the whole interface contract, with answers of its own (not
// Addon001's), so that the checker is seen to judge behaviour rather than known values. Each
// module of this folder exports these functions and breaks the contract in one place.
#include "addon001/addon/addon_export.h"
#include "addon001/addon/addon_interface.h"

namespace sample {

inline int getVer() {
    return 7;
}

inline int getInterfaceVer() {
    return 120;
}

inline int getFeature(CString* identity) {
    if (identity == nullptr) return addon::resultNone;
    *identity = "sample";
    return addon::resultOk;
}

inline addon::DriveInfoSet catalogue() {
    return {"D=AB-100", "D=AB-200;V=2;M=x", "D=CD 300"};
}

inline int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    *driveInfos = catalogue();
    return addon::resultOk;
}

inline addon::FeatureMap featuresOf(const std::string& driveType) {
    if (driveType == "AB-100") return {{"FLOW", "01.00"}, {"HEAD", "02.50"}};
    if (driveType == "CD 300") return {{"FLOW", "10.99"}};
    return {};
}

inline int getFeaturesAndVersions(const std::string* driveType, addon::FeatureMap* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    *features = featuresOf(*driveType);
    return features->empty() ? addon::resultNone : addon::resultOk;
}

inline int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    if (driveType == nullptr || names == nullptr) return addon::resultNone;
    addon::FeatureMap features;
    const int result = getFeaturesAndVersions(driveType, &features);
    for (const auto& feature : features) names->insert(feature.first);
    return result;
}

}  // namespace sample

// Exports one function of the sample unchanged.
#define SAMPLE_EXPORT_GET_VER              \
    extern "C" ADDON_EXPORT int getVer() { \
        return sample::getVer();           \
    }
#define SAMPLE_EXPORT_GET_INTERFACE_VER             \
    extern "C" ADDON_EXPORT int getInterfaceVer() { \
        return sample::getInterfaceVer();           \
    }
#define SAMPLE_EXPORT_GET_FEATURE                               \
    extern "C" ADDON_EXPORT int getFeature(CString* identity) { \
        return sample::getFeature(identity);                    \
    }
#define SAMPLE_EXPORT_GET_AS_DI_VECTOR                                           \
    extern "C" ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) { \
        return sample::getAsDIVector(driveInfos);                                \
    }
#define SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS                                       \
    extern "C" ADDON_EXPORT int getFeaturesAndVersions(const std::string* driveType,  \
                                                       addon::FeatureMap* features) { \
        return sample::getFeaturesAndVersions(driveType, features);                   \
    }
#define SAMPLE_EXPORT_GET_AS_FI_VECTOR                                      \
    extern "C" ADDON_EXPORT int getAsFIVector(const std::string* driveType, \
                                              addon::FeatureSet* names) {   \
        return sample::getAsFIVector(driveType, names);                     \
    }

// Exports all six functions of the sample unchanged, for modules that break the contract
// elsewhere (at load or unload).
#define SAMPLE_EXPORT_EVERY_FUNCTION        \
    SAMPLE_EXPORT_GET_VER                   \
    SAMPLE_EXPORT_GET_INTERFACE_VER         \
    SAMPLE_EXPORT_GET_FEATURE               \
    SAMPLE_EXPORT_GET_AS_DI_VECTOR          \
    SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS \
    SAMPLE_EXPORT_GET_AS_FI_VECTOR
