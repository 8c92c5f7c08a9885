#include "addon_client.h"

#include "call_log.h"
#include "module/module_file.h"
#include "text/quote.h"

namespace host {

namespace {
// The exports a host cannot do without, in the order their absence is reported;
// getAsDIVector is optional.
const char* const requiredExports[] = {addon::getVerName, addon::getInterfaceVerName,
                                       addon::getFeatureName, addon::getFeaturesAndVersionsName,
                                       addon::getAsFIVectorName};
}  // namespace

AddonClient::AddonClient(const std::filesystem::path& file)
    : module_(std::in_place, file), exports_(*module_) {
    requireExports(file);
}

AddonClient::AddonClient(const ExportTable& exports) : exports_(exports) {
    requireExports({});
}

void AddonClient::requireExports(const std::filesystem::path& file) const {
    for (const char* name : requiredExports) {
        if (exports_.has(name)) continue;
        // The module's file may hold the function under a C++ name.
        throw MissingExportError(name, file.empty() ? std::string() : cxxOnlyExport(name, file));
    }
}

int AddonClient::version() const {
    return loggedCall(addon::getVerName, "", exports_.getVer);
}

int AddonClient::interfaceVersion() const {
    return loggedCall(addon::getInterfaceVerName, "", exports_.getInterfaceVer);
}

std::string AddonClient::identity() const {
    CString identity;
    loggedCall(addon::getFeatureName, "", [&] { return exports_.getFeature(&identity); });
    return identity.GetString();
}

addon::DriveInfoSet AddonClient::driveCatalogue() const {
    addon::DriveInfoSet driveInfos;
    if (exports_.getAsDIVector != nullptr) {
        loggedCall(addon::getAsDIVectorName, "",
                   [&] { return exports_.getAsDIVector(&driveInfos); });
    }
    return driveInfos;
}

FeatureAnswer AddonClient::features(const std::string& driveType) const {
    FeatureAnswer answer;
    answer.result = loggedCall(addon::getFeaturesAndVersionsName, quote(driveType), [&] {
        return exports_.getFeaturesAndVersions(&driveType, &answer.features);
    });
    return answer;
}

int AddonClient::featureNames(const std::string& driveType, addon::FeatureSet& names) const {
    return loggedCall(addon::getAsFIVectorName, quote(driveType),
                      [&] { return exports_.getAsFIVector(&driveType, &names); });
}

std::filesystem::path defaultModulePath() {
    return programDirectory() / ("Addon001" + moduleSuffix());
}

}  // namespace host
