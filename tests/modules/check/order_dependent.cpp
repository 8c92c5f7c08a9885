// Breaks the contract: getVer answers 7 only when it was the first export called after the
// load, 8 otherwise; each answer stays the same for the rest of that load.
#include "sample_addon.h"

namespace {
bool anyCallYet = false;
bool versionAskedFirst = false;

void called(bool isGetVer) {
    if (anyCallYet) return;
    anyCallYet = true;
    versionAskedFirst = isGetVer;
}
}  // namespace

extern "C" {
ADDON_EXPORT int getVer() {
    called(true);
    return versionAskedFirst ? sample::getVer() : sample::getVer() + 1;
}
ADDON_EXPORT int getInterfaceVer() {
    called(false);
    return sample::getInterfaceVer();
}
ADDON_EXPORT int getFeature(CString* identity) {
    called(false);
    return sample::getFeature(identity);
}
ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    called(false);
    return sample::getAsDIVector(driveInfos);
}
ADDON_EXPORT int getFeaturesAndVersions(const std::string* driveType, addon::FeatureMap* features) {
    called(false);
    return sample::getFeaturesAndVersions(driveType, features);
}
ADDON_EXPORT int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    called(false);
    return sample::getAsFIVector(driveType, names);
}
}
