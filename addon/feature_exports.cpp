// getFeaturesAndVersions and getAsFIVector: the features offered for one drive type.
#include "exports.h"
#include "feature_catalogue.h"

int getFeaturesAndVersions(const std::string* driveType, addon::FeatureMap* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    features->clear();
    std::string version;
    if (!addon::findFeatureVersion(*driveType, version)) return addon::resultNone;
    (*features)[addon::sensorlessPumpData] = version;
    return addon::resultOk;
}

int getAsFIVector(const std::string* driveType, addon::FeatureSet* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    // The names getFeaturesAndVersions would report, added without building its map first:
    // the one feature, offered when the drive type has a version text.
    std::string version;
    if (!addon::findFeatureVersion(*driveType, version)) return addon::resultNone;
    features->insert(addon::sensorlessPumpData);
    return addon::resultOk;
}
