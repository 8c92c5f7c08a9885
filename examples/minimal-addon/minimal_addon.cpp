// A minimal add-on: two pump drive types with a feature or two each. It defines the six exports
// that every add-on has, and nothing else is exported.
#include <addon001/addon/addon_exports.h>

#include <map>
#include <string>

namespace {

// The drive-info string of each supported drive type: field D (the type code) first, the
// other fields in the index order of <addon001/addon/drive_info_fields.h>.
const char* const driveInfos[] = {"D=PX-10;V=2", "D=PX-20;V=2;M=p"};

// The features of one drive type with their version texts (two digits, a point, two digits).
addon::FeatureMap featuresOf(const std::string& driveType) {
    if (driveType == "PX-10") return {{"RAMP", "01.20"}};
    if (driveType == "PX-20") return {{"RAMP", "01.20"}, {"BRAKE", "02.00"}};
    return {};
}

}  // namespace

int getVer() {
    return 3;
}

int getInterfaceVer() {
    return addon::interfaceVersion;
}

int getFeature(CString* identity) {
    if (identity == nullptr) return addon::resultNone;
    *identity = "minimal-addon";
    return addon::resultOk;
}

int getAsDIVector(addon::DriveInfoSet* driveInfoSet) {
    if (driveInfoSet == nullptr) return addon::resultNone;
    driveInfoSet->clear();  // the host's set may hold anything; it gets ours only
    for (const char* driveInfo : driveInfos) driveInfoSet->insert(driveInfo);
    return addon::resultOk;
}

int getFeaturesAndVersions(const std::string* driveType, addon::FeatureMap* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    *features = featuresOf(*driveType);
    return features->empty() ? addon::resultNone : addon::resultOk;
}

int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    if (driveType == nullptr || names == nullptr) return addon::resultNone;
    // Adds to what the host's set holds already.
    const addon::FeatureMap features = featuresOf(*driveType);
    for (const auto& feature : features) names->insert(feature.first);
    return features.empty() ? addon::resultNone : addon::resultOk;
}
