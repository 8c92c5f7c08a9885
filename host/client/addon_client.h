#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "addon001/addon/addon_interface.h"
#include "module/export_table.h"
#include "module/module_loader.h"

namespace host {

// A required export that the module does not have; `detail` says more where there is more
// to say ("exports getVer only as a C++ name: _Z6getVerv").
class MissingExportError : public std::runtime_error {
public:
    explicit MissingExportError(const std::string& name, const std::string& detail = {})
        : std::runtime_error("missing export '" + name + "'" +
                             (detail.empty() ? std::string() : " (" + detail + ")")),
          name_(name) {}
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

// What one feature query answered.
struct FeatureAnswer {
    int result = 0;
    addon::FeatureMap features;
};

// An add-on module loaded and called the way the host application does: exports found by
// name, host-owned containers passed by pointer. Whatever a call throws reaches the caller as
// a ModuleCallError (call_log.h).
class AddonClient {
public:
    // Throws ModuleLoadError or MissingExportError.
    explicit AddonClient(const std::filesystem::path& file);
    // Exports linked into the program, or found by other means. Throws MissingExportError.
    explicit AddonClient(const ExportTable& exports);

    int version() const;
    int interfaceVersion() const;
    std::string identity() const;
    bool hasDriveCatalogue() const { return exports_.getAsDIVector != nullptr; }
    // The drive-info strings in the host's set order; only when hasDriveCatalogue().
    addon::DriveInfoSet driveCatalogue() const;
    FeatureAnswer features(const std::string& driveType) const;
    int featureNames(const std::string& driveType, addon::FeatureSet& names) const;

private:
    void requireExports(const std::filesystem::path& file) const;

    std::optional<LoadedModule> module_;
    ExportTable exports_;
};

// The module the host loads when given none: Addon001 beside the host program.
std::filesystem::path defaultModulePath();

}  // namespace host
