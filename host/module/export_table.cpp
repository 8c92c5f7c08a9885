#include "export_table.h"

#include <boost/core/demangle.hpp>

#include "module_file.h"

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

namespace {
// The readable form of an Itanium C++ name ("getVer()"), or empty when it is none.
std::string demangled(const std::string& symbol) {
    const boost::core::scoped_demangled_name readable(symbol.c_str());
    return readable.get() != nullptr ? std::string(readable.get()) : std::string();
}

bool isCxxNameOf(const std::string& symbol, const std::string& name) {
    if (symbol.rfind("?" + name + "@", 0) == 0) return true;  // Microsoft's decoration
    if (symbol.rfind("_Z", 0) != 0) return false;
    // Only names that carry the function's name can be it; most are not demangled at all.
    if (symbol.find(std::to_string(name.size()) + name) == std::string::npos) return false;
    const std::string readable = demangled(symbol);
    return readable.rfind(name + "(", 0) == 0 ||
           readable.find("::" + name + "(") != std::string::npos;
}
}  // namespace

std::string cxxOnlyExport(const std::string& name, const std::filesystem::path& moduleFile) {
    std::vector<std::string> exportedSymbols;
    try {
        exportedSymbols = readModuleFile(moduleFile).exportedSymbols;
    } catch (const ModuleFileError&) {
        return std::string();
    }
    for (const std::string& symbol : exportedSymbols) {
        if (isCxxNameOf(symbol, name)) return "exports " + name + " only as a C++ name: " + symbol;
    }
    return std::string();
}

}  // namespace host
