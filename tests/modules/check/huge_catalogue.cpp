// Keeps the contract with a large catalogue: 20,000 drive types (or ADDON_TEST_CATALOGUE_SIZE,
// to see how the checker copes with millions), every tenth with features, built once on first
// use.
#include <cstdio>
#include <cstdlib>

#include "sample_addon.h"

namespace {
int driveTypes() {
    const char* size = std::getenv("ADDON_TEST_CATALOGUE_SIZE");
    return size != nullptr ? std::atoi(size) : 20'000;
}

std::string code(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "HC-%07d", index);
    return text;
}

const addon::DriveInfoSet& catalogue() {
    static const addon::DriveInfoSet all = [] {
        addon::DriveInfoSet set;
        const int size = driveTypes();
        for (int index = 0; index < size; ++index) set.insert("D=" + code(index) + ";V=1");
        return set;
    }();
    return all;
}

addon::FeatureMap featuresOf(const std::string& driveType) {
    if (driveType.size() != 10 || driveType.compare(0, 3, "HC-") != 0 || driveType.back() != '0')
        return {};
    return {{"FLOW", "01.00"}, {"HEAD", "02.50"}};
}
}  // namespace

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
extern "C" ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    *driveInfos = catalogue();
    return addon::resultOk;
}
extern "C" ADDON_EXPORT int getFeaturesAndVersions(const std::string* driveType,
                                                   addon::FeatureMap* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    *features = featuresOf(*driveType);
    return features->empty() ? addon::resultNone : addon::resultOk;
}
extern "C" ADDON_EXPORT int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    if (driveType == nullptr || names == nullptr) return addon::resultNone;
    for (const auto& feature : featuresOf(*driveType)) names->insert(feature.first);
    return featuresOf(*driveType).empty() ? addon::resultNone : addon::resultOk;
}
