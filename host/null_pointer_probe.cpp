#include "null_pointer_probe.h"

#include "addon001/addon/addon_interface.h"
#include "child_process.h"
#include "export_table.h"
#include "module_loader.h"

namespace host {

const std::vector<NullPointerProbe>& nullPointerProbes() {
    static const std::vector<NullPointerProbe> probes = {
        {"getFeature", addon::getFeatureName, "getFeature with a null string"},
        {"getAsDIVector", addon::getAsDIVectorName, "getAsDIVector with a null set"},
        {"getFeaturesAndVersions:driveType", addon::getFeaturesAndVersionsName,
         "getFeaturesAndVersions with a null drive type"},
        {"getFeaturesAndVersions:features", addon::getFeaturesAndVersionsName,
         "getFeaturesAndVersions with a null map"},
        {"getAsFIVector:driveType", addon::getAsFIVectorName,
         "getAsFIVector with a null drive type"},
        {"getAsFIVector:features", addon::getAsFIVectorName, "getAsFIVector with a null set"},
    };
    return probes;
}

namespace {
// Makes the call; false when the module lacks the export or the probe is unknown.
bool callWithNull(const ExportTable& exports, const std::string& probeName,
                  const std::string& driveType) {
    addon::FeatureMap features;
    addon::FeatureSet names;
    if (probeName == "getFeature" && exports.getFeature != nullptr) {
        exports.getFeature(nullptr);
    } else if (probeName == "getAsDIVector" && exports.getAsDIVector != nullptr) {
        exports.getAsDIVector(nullptr);
    } else if (probeName == "getFeaturesAndVersions:driveType" &&
               exports.getFeaturesAndVersions != nullptr) {
        exports.getFeaturesAndVersions(nullptr, &features);
    } else if (probeName == "getFeaturesAndVersions:features" &&
               exports.getFeaturesAndVersions != nullptr) {
        exports.getFeaturesAndVersions(&driveType, nullptr);
    } else if (probeName == "getAsFIVector:driveType" && exports.getAsFIVector != nullptr) {
        exports.getAsFIVector(nullptr, &names);
    } else if (probeName == "getAsFIVector:features" && exports.getAsFIVector != nullptr) {
        exports.getAsFIVector(&driveType, nullptr);
    } else {
        return false;
    }
    return true;
}
}  // namespace

int runNullPointerProbe(const std::filesystem::path& module, const std::string& probeName,
                        const std::string& driveType) {
    try {
        const LoadedModule loaded(module);
        const ExportTable exports(loaded);
        return callWithNull(exports, probeName, driveType) ? probeReturned : probeUnusable;
    } catch (const ModuleLoadError&) {
        return probeUnusable;
    } catch (...) {
        // Whatever the module threw; the checker only learns that it did not return.
        return probeThrew;
    }
}

int startNullPointerProbe(const std::filesystem::path& program, const std::filesystem::path& module,
                          const NullPointerProbe& probe, const std::string& driveType) {
    const ChildEnd end = runChild(
        program, {nullPointerProbeOption, probe.name, "--drive", driveType, module.string()});
    return end.kind == ChildEnd::Kind::Exited ? end.code : -1;
}

}  // namespace host
