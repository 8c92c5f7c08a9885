#include "null_pointer_probe.h"

#include "addon001/addon/addon_interface.h"

namespace host {

const std::vector<NullPointerProbe>& nullPointerProbes() {
    static const std::vector<NullPointerProbe> probes = {
        {"getFeature", addon::getFeatureName, "getFeature with a null string"},
        {"getAsDIVector", addon::getAsDIVectorName, "getAsDIVector with a null set"},
        {"getFeaturesAndVersions:driveType", addon::getFeaturesAndVersionsName,
         "getFeaturesAndVersions with a null drive type"},
        {"getFeaturesAndVersions:features", addon::getFeaturesAndVersionsName,
         "getFeaturesAndVersions with a null map"},
        {"getAsFIVector:driveType", addon::getAsFIVectorName,
         "getAsFIVector with a null drive type"},
        {"getAsFIVector:features", addon::getAsFIVectorName, "getAsFIVector with a null set"},
    };
    return probes;
}

bool callWithNull(const ExportTable& exports, const std::string& probeName,
                  const std::string& driveType) {
    addon::FeatureMap features;
    addon::FeatureSet names;
    if (probeName == "getFeature" && exports.getFeature != nullptr) {
        exports.getFeature(nullptr);
    } else if (probeName == "getAsDIVector" && exports.getAsDIVector != nullptr) {
        exports.getAsDIVector(nullptr);
    } else if (probeName == "getFeaturesAndVersions:driveType" &&
               exports.getFeaturesAndVersions != nullptr) {
        exports.getFeaturesAndVersions(nullptr, &features);
    } else if (probeName == "getFeaturesAndVersions:features" &&
               exports.getFeaturesAndVersions != nullptr) {
        exports.getFeaturesAndVersions(&driveType, nullptr);
    } else if (probeName == "getAsFIVector:driveType" && exports.getAsFIVector != nullptr) {
        exports.getAsFIVector(nullptr, &names);
    } else if (probeName == "getAsFIVector:features" && exports.getAsFIVector != nullptr) {
        exports.getAsFIVector(&driveType, nullptr);
    } else {
        return false;
    }
    return true;
}

}  // namespace host
