#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "addon001/addon/addon_interface.h"
#include "module_loader.h"

namespace host {

// The exports of a loaded module as the host looks them up by name, each null when the module
// does not export it. Unlike AddonClient, a missing export is not an error here, so that a
// checker can report it and go on with what is there.
struct ExportTable {
    // No exports at all; fill the pointers by hand (exports linked into a program).
    ExportTable() = default;
    // Looks every export up by name in a loaded module.
    explicit ExportTable(const LoadedModule& module);

    // Whether the module exports the function of that name (one of expectedExportNames()).
    bool has(const std::string& name) const;

    addon::GetVerFunction* getVer = nullptr;
    addon::GetInterfaceVerFunction* getInterfaceVer = nullptr;
    addon::GetFeatureFunction* getFeature = nullptr;
    addon::GetAsDIVectorFunction* getAsDIVector = nullptr;
    addon::GetFeaturesAndVersionsFunction* getFeaturesAndVersions = nullptr;
    addon::GetAsFIVectorFunction* getAsFIVector = nullptr;
};

// The names of every export the host expects, in the interface's order.
const std::vector<std::string>& expectedExportNames();

// For an export the module lacks under its plain name: "exports getVer only as a C++ name:
// _Z6getVerv" when one of the symbols that the module file exports is a C++ (mangled) name of a
// function of that name (GCC and Clang: "_Z6getVerv", Microsoft: "?getVer@@YAHXZ"), else empty
// (also when the file cannot be read: then there is nothing more to say than that it is missing).
std::string cxxOnlyExport(const std::string& name, const std::filesystem::path& moduleFile);

}  // namespace host
