// Breaks the contract: getAsFIVector empties the host's set before adding to it.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
extern "C" ADDON_EXPORT int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    if (driveType == nullptr || names == nullptr) return addon::resultNone;
    names->clear();
    return sample::getAsFIVector(driveType, names);
}
