// getVer, getInterfaceVer and getFeature: who the add-on is.
#include "exports.h"
#include "product_profile.h"

namespace {
constexpr int addonVersion = 100;
}  // namespace

int getVer() {
    return addonVersion;
}

int getInterfaceVer() {
    return addon::interfaceVersion;
}

int getFeature(CString* identity) {
    if (identity == nullptr) return addon::resultNone;
    *identity = addon::activeProductProfile().identity.c_str();
    return addon::resultOk;
}
