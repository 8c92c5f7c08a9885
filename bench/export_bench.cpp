// The exports, called through the module boundary as the host calls them: the module is
// loaded at run time and each export looked up by name. Floor: the same container work done
// directly in the benchmark (the host's container emptied or added to, the drive type looked
// up in an ordered table of the same nine entries, the same strings made and inserted).
#include <benchmark/benchmark.h>

#include <map>
#include <set>
#include <string>

#include "addon001/addon/addon_interface.h"
#include "module/module_loader.h"

namespace {

const host::LoadedModule& addonModule() {
    static const host::LoadedModule module(host::programDirectory() /
                                           ("Addon001" + host::moduleSuffix()));
    return module;
}

// Null when the module cannot be loaded or lacks the export; the benchmark then reports it.
template <class Signature>
Signature* addonExport(const char* name) {
    try {
        return addonModule().find<Signature>(name);
    } catch (const host::ModuleLoadError&) {
        return nullptr;
    }
}

constexpr const char* hitDriveType = "HX-140";
constexpr const char* missDriveType = "HX-999";
constexpr const char* featureName = "SENSORLESS_PUMPDATA";

// The floor's copy of the feature version table.
const std::map<std::string, std::string>& floorFeatureTable() {
    static const std::map<std::string, std::string> table{
        {"HX-140", "03.10"}, {"KPR140", "04.01"}, {"KWT140", "03.10"},
        {"NKQ140", "03.10"}, {"NQT140", "03.10"}, {"HX-240", "02.15"},
        {"HX-390", "02.15"}, {"HXM180", "00.00"}, {"HXP180", "00.00"}};
    return table;
}

void featuresAndVersionsOurs(benchmark::State& state, const char* code) {
    auto* getFeaturesAndVersions =
        addonExport<addon::GetFeaturesAndVersionsFunction>(addon::getFeaturesAndVersionsName);
    if (getFeaturesAndVersions == nullptr) {
        state.SkipWithError("cannot load the module or find its export");
        return;
    }
    const std::string driveType = code;
    addon::FeatureMap features;
    for (auto _ : state) {
        benchmark::DoNotOptimize(getFeaturesAndVersions(&driveType, &features));
        benchmark::ClobberMemory();
    }
}

void featuresAndVersionsFloor(benchmark::State& state, const char* code) {
    const auto& table = floorFeatureTable();
    const std::string driveType = code;
    addon::FeatureMap features;
    for (auto _ : state) {
        features.clear();
        const auto entry = table.find(driveType);
        if (entry != table.end()) features[featureName] = entry->second;
        benchmark::DoNotOptimize(entry);
        benchmark::ClobberMemory();
    }
}

// The host asks with a fresh set each time, so both empty it before the call.
void featureNamesOurs(benchmark::State& state) {
    auto* getAsFIVector = addonExport<addon::GetAsFIVectorFunction>(addon::getAsFIVectorName);
    if (getAsFIVector == nullptr) {
        state.SkipWithError("cannot load the module or find its export");
        return;
    }
    const std::string driveType = hitDriveType;
    addon::FeatureSet names;
    for (auto _ : state) {
        names.clear();
        benchmark::DoNotOptimize(getAsFIVector(&driveType, &names));
        benchmark::ClobberMemory();
    }
}

void featureNamesFloor(benchmark::State& state) {
    const auto& table = floorFeatureTable();
    const std::string driveType = hitDriveType;
    addon::FeatureSet names;
    for (auto _ : state) {
        names.clear();
        const auto entry = table.find(driveType);
        if (entry != table.end()) names.insert(featureName);
        benchmark::DoNotOptimize(entry);
        benchmark::ClobberMemory();
    }
}

void driveInfosOurs(benchmark::State& state) {
    auto* getAsDIVector = addonExport<addon::GetAsDIVectorFunction>(addon::getAsDIVectorName);
    if (getAsDIVector == nullptr) {
        state.SkipWithError("cannot load the module or find its export");
        return;
    }
    addon::DriveInfoSet driveInfos;
    for (auto _ : state) {
        benchmark::DoNotOptimize(getAsDIVector(&driveInfos));
        benchmark::ClobberMemory();
    }
}

void driveInfosFloor(benchmark::State& state) {
    static const char* const codes[] = {"HX-027", "HX 27",  "HX-140", "HX-240", "HX-360", "HX-370",
                                        "HXD370", "RB-510", "RB-530", "RB-560", "RBV560", "LQ-370"};
    addon::DriveInfoSet driveInfos;
    for (auto _ : state) {
        driveInfos.clear();
        for (const char* code : codes) driveInfos.insert(std::string("D=").append(code));
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK_CAPTURE(featuresAndVersionsOurs, hit, hitDriveType)->Name("features_hit/ours");
BENCHMARK_CAPTURE(featuresAndVersionsFloor, hit, hitDriveType)->Name("features_hit/floor");
BENCHMARK_CAPTURE(featuresAndVersionsOurs, miss, missDriveType)->Name("features_miss/ours");
BENCHMARK_CAPTURE(featuresAndVersionsFloor, miss, missDriveType)->Name("features_miss/floor");
BENCHMARK(featureNamesOurs)->Name("feature_names/ours");
BENCHMARK(featureNamesFloor)->Name("feature_names/floor");
BENCHMARK(driveInfosOurs)->Name("drive_infos/ours");
BENCHMARK(driveInfosFloor)->Name("drive_infos/floor");
