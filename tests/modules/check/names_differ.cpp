// Breaks the contract: getAsFIVector adds feature names that getFeaturesAndVersions does not
// report (in lower case).
#include <cctype>

#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
extern "C" ADDON_EXPORT int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    if (driveType == nullptr || names == nullptr) return addon::resultNone;
    addon::FeatureMap features;
    const int result = sample::getFeaturesAndVersions(driveType, &features);
    for (const auto& feature : features) {
        std::string name = feature.first;
        for (char& character : name) character = static_cast<char>(std::tolower(character));
        names->insert(name);
    }
    return result;
}
