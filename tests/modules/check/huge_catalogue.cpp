// Keeps the contract with a large catalogue: 200,000 drive types, every tenth with features,
// built once on first use.
#include <cstdio>

#include "sample_addon.h"

namespace {
constexpr int driveTypes = 200'000;

std::string code(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "HC-%06d", index);
    return text;
}

const addon::DriveInfoSet& catalogue() {
    static const addon::DriveInfoSet all = [] {
        addon::DriveInfoSet set;
        for (int index = 0; index < driveTypes; ++index) set.insert("D=" + code(index) + ";V=1");
        return set;
    }();
    return all;
}

addon::FeatureMap featuresOf(const std::string& driveType) {
    if (driveType.size() != 9 || driveType.compare(0, 3, "HC-") != 0 || driveType.back() != '0')
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
