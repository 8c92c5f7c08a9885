#include "export_table.h"

namespace host {

ExportTable::ExportTable(const LoadedModule& module)
    : getVer(module.find<addon::GetVerFunction>(addon::getVerName)),
      getInterfaceVer(module.find<addon::GetInterfaceVerFunction>(addon::getInterfaceVerName)),
      getFeature(module.find<addon::GetFeatureFunction>(addon::getFeatureName)),
      getAsDIVector(module.find<addon::GetAsDIVectorFunction>(addon::getAsDIVectorName)),
      getFeaturesAndVersions(
          module.find<addon::GetFeaturesAndVersionsFunction>(addon::getFeaturesAndVersionsName)),
      getAsFIVector(module.find<addon::GetAsFIVectorFunction>(addon::getAsFIVectorName)) {}

bool ExportTable::has(const std::string& name) const {
    if (name == addon::getVerName) return getVer != nullptr;
    if (name == addon::getInterfaceVerName) return getInterfaceVer != nullptr;
    if (name == addon::getFeatureName) return getFeature != nullptr;
    if (name == addon::getAsDIVectorName) return getAsDIVector != nullptr;
    if (name == addon::getFeaturesAndVersionsName) return getFeaturesAndVersions != nullptr;
    if (name == addon::getAsFIVectorName) return getAsFIVector != nullptr;
    return false;
}

const std::vector<std::string>& expectedExportNames() {
    static const std::vector<std::string> names = {
        addon::getVerName,        addon::getInterfaceVerName,        addon::getFeatureName,
        addon::getAsDIVectorName, addon::getFeaturesAndVersionsName, addon::getAsFIVectorName};
    return names;
}

}  // namespace host
