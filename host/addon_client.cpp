#include "addon_client.h"

#include "call_log.h"

namespace host {

namespace {
// A drive type code in a log record, quoted so that blanks at its ends show.
std::string quoted(const std::string& text) {
    return '"' + text + '"';
}
}  // namespace

template <class Signature>
Signature* AddonClient::require(const char* name) const {
    Signature* function = module_.find<Signature>(name);
    if (function == nullptr) throw MissingExportError(name);
    return function;
}

AddonClient::AddonClient(const std::filesystem::path& file)
    : module_(file),
      getVer_(require<addon::GetVerFunction>(addon::getVerName)),
      getInterfaceVer_(require<addon::GetInterfaceVerFunction>(addon::getInterfaceVerName)),
      getFeature_(require<addon::GetFeatureFunction>(addon::getFeatureName)),
      getFeaturesAndVersions_(
          require<addon::GetFeaturesAndVersionsFunction>(addon::getFeaturesAndVersionsName)),
      getAsFIVector_(require<addon::GetAsFIVectorFunction>(addon::getAsFIVectorName)),
      getAsDIVector_(module_.find<addon::GetAsDIVectorFunction>(addon::getAsDIVectorName)) {}

int AddonClient::version() const {
    return loggedCall(addon::getVerName, "", getVer_);
}

int AddonClient::interfaceVersion() const {
    return loggedCall(addon::getInterfaceVerName, "", getInterfaceVer_);
}

std::string AddonClient::identity() const {
    CString identity;
    loggedCall(addon::getFeatureName, "", [&] { return getFeature_(&identity); });
    return identity.GetString();
}

addon::DriveInfoSet AddonClient::driveCatalogue() const {
    addon::DriveInfoSet driveInfos;
    if (getAsDIVector_ != nullptr) {
        loggedCall(addon::getAsDIVectorName, "", [&] { return getAsDIVector_(&driveInfos); });
    }
    return driveInfos;
}

FeatureAnswer AddonClient::features(const std::string& driveType) const {
    FeatureAnswer answer;
    answer.result = loggedCall(addon::getFeaturesAndVersionsName, quoted(driveType), [&] {
        return getFeaturesAndVersions_(&driveType, &answer.features);
    });
    return answer;
}

int AddonClient::featureNames(const std::string& driveType, addon::FeatureSet& names) const {
    return loggedCall(addon::getAsFIVectorName, quoted(driveType),
                      [&] { return getAsFIVector_(&driveType, &names); });
}

std::filesystem::path defaultModulePath() {
    return platform::programDirectory() / ("Addon001" + platform::moduleSuffix());
}

}  // namespace host
