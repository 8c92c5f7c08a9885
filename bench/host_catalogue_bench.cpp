// The reference host on a module with a very large drive catalogue: what the host itself does
// per drive type (asking the features of each code once, printing the catalogue with the
// features of each, the checker's snapshot and its comparison) must grow as n log n at most,
// not with the square of the catalogue. The exports are linked in, so that only the host's
// work is measured: each answers from a catalogue of `catalogueSize` codes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>

#include "client/addon_client.h"
#include "client/answer_snapshot.h"
#include "client/report.h"

namespace {

std::size_t catalogueSize = 0;

std::string code(std::size_t index) {
    char text[32];
    std::snprintf(text, sizeof text, "XY-%07zu", index);
    return text;
}

int getVer() {
    return 7;
}
int getInterfaceVer() {
    return 120;
}
int getFeature(CString* identity) {
    *identity = "large";
    return 0;
}
int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    driveInfos->clear();
    for (std::size_t index = 0; index < catalogueSize; ++index)
        driveInfos->insert("D=" + code(index));
    return 0;
}
// Every tenth drive type has a feature.
int getFeaturesAndVersions(const std::string* driveType, addon::FeatureMap* features) {
    features->clear();
    if (driveType->size() < 2 || (*driveType)[driveType->size() - 1] != '0') return -1;
    (*features)["FLOW"] = "01.00";
    return 0;
}
int getAsFIVector(const std::string* driveType, addon::FeatureSet* names) {
    addon::FeatureMap features;
    const int result = getFeaturesAndVersions(driveType, &features);
    for (const auto& feature : features) names->insert(feature.first);
    return result;
}

host::ExportTable linkedExports() {
    host::ExportTable exports;
    exports.getVer = getVer;
    exports.getInterfaceVer = getInterfaceVer;
    exports.getFeature = getFeature;
    exports.getAsDIVector = getAsDIVector;
    exports.getFeaturesAndVersions = getFeaturesAndVersions;
    exports.getAsFIVector = getAsFIVector;
    return exports;
}

// The plain host: the report asked, then printed as text and as JSON.
void hostReport(benchmark::State& state) {
    catalogueSize = static_cast<std::size_t>(state.range(0));
    const host::AddonClient client(linkedExports());
    for (auto _ : state) {
        const host::Report report = host::collectReport(client, {"extra"});
        std::ostringstream text;
        host::printText(text, "Large.so", report);
        std::ostringstream json;
        host::printJson(json, report);
        benchmark::DoNotOptimize(text.str().size() + json.str().size());
    }
    state.SetComplexityN(state.range(0));
}

// The checker: a snapshot of every answer, and its comparison with a second one.
void checkSnapshot(benchmark::State& state) {
    catalogueSize = static_cast<std::size_t>(state.range(0));
    const host::ExportTable exports = linkedExports();
    for (auto _ : state) {
        const host::AnswerSnapshot first =
            host::takeSnapshot(exports, {"", "no such drive type"}, host::CallOrder::Forward);
        const host::AnswerSnapshot second =
            host::takeSnapshot(exports, first.driveTypes, host::CallOrder::Reverse);
        benchmark::DoNotOptimize(host::firstDifference(first, second));
    }
    state.SetComplexityN(state.range(0));
}

}  // namespace

// Up to 262,144 drive types (the catalogue that took 149 s had 200,000).
BENCHMARK(hostReport)
    ->Name("host_report")
    ->RangeMultiplier(8)
    ->Range(1 << 9, 1 << 18)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(checkSnapshot)
    ->Name("check_snapshot")
    ->RangeMultiplier(8)
    ->Range(1 << 9, 1 << 18)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
