// Exports a function beyond the six, which the export map must drop, and adds its drive type to
// the host's set instead of replacing what it held, which the host's check must catch.
#include <addon001/addon/addon_exports.h>

static_assert(addon::interfaceVersion == PACKAGE_INTERFACE_VERSION,
              "the Addon001 package names another interface version than its header");

extern "C" ADDON_EXPORT int extraExport() {
    return 1;
}

int getVer() {
    return 1;
}

int getInterfaceVer() {
    return addon::interfaceVersion;
}

int getFeature(CString* identity) {
    if (identity == nullptr) return addon::resultNone;
    *identity = "leaky";
    return addon::resultOk;
}

int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    driveInfos->insert("D=LK-1");
    return addon::resultOk;
}

int getFeaturesAndVersions(const std::string* driveType, addon::FeatureMap* features) {
    if (driveType == nullptr || features == nullptr) return addon::resultNone;
    features->clear();
    return addon::resultNone;
}

int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    if (driveType == nullptr || names == nullptr) return addon::resultNone;
    return addon::resultNone;
}
