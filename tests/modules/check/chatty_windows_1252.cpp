// Keeps the contract, but writes to standard output on every call (with printf and with
// std::cout) and answers with texts in Windows-1252 that are not UTF-8: "Café" and "€-100".
#include <cstdio>
#include <iostream>

#include "sample_addon.h"

namespace {
void chatter(const char* exportName) {
    std::printf("chatter from %s\n", exportName);
    std::cout << "more chatter from " << exportName << std::endl;
}

const char* const identityText = "Caf\xe9";
const char* const driveType = "\x80-100";
}  // namespace

extern "C" {
ADDON_EXPORT int getVer() {
    chatter("getVer");
    return sample::getVer();
}
ADDON_EXPORT int getInterfaceVer() {
    chatter("getInterfaceVer");
    return sample::getInterfaceVer();
}
ADDON_EXPORT int getFeature(CString* identity) {
    chatter("getFeature");
    if (identity == nullptr) return addon::resultNone;
    *identity = identityText;
    return addon::resultOk;
}
ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    chatter("getAsDIVector");
    if (driveInfos == nullptr) return addon::resultNone;
    *driveInfos = {std::string("D=") + driveType};
    return addon::resultOk;
}
ADDON_EXPORT int getFeaturesAndVersions(const std::string* code, addon::FeatureMap* features) {
    chatter("getFeaturesAndVersions");
    if (code == nullptr || features == nullptr) return addon::resultNone;
    features->clear();
    if (*code != driveType) return addon::resultNone;
    (*features)
        ["D\xc9"
         "BIT"] = "01.00";
    return addon::resultOk;
}
ADDON_EXPORT int getAsFIVector(const std::string* code, addon::FeatureSet* names) {
    chatter("getAsFIVector");
    if (code == nullptr || names == nullptr) return addon::resultNone;
    addon::FeatureMap features;
    const int result = getFeaturesAndVersions(code, &features);
    for (const auto& feature : features) names->insert(feature.first);
    return result;
}
}
