// The feature lookup and the two feature exports with drive types of arbitrary bytes, NUL
// characters included.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "exports.h"
#include "feature_catalogue.h"
#include "fuzz_check.h"

namespace {

// The feature version table, written out here rather than read from the add-on.
const std::map<std::string, std::string>& expectedTable() {
    static const std::map<std::string, std::string> table = {
        {"HX-140", "03.10"}, {"KPR140", "04.01"}, {"KWT140", "03.10"},
        {"NKQ140", "03.10"}, {"NQT140", "03.10"}, {"HX-240", "02.15"},
        {"HX-390", "02.15"}, {"HXM180", "00.00"}, {"HXP180", "00.00"}};
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string driveType(reinterpret_cast<const char*>(data), size);
    // Only the characters before the first NUL name the drive type.
    const auto entry = expectedTable().find(driveType.substr(0, driveType.find('\0')));
    const bool listed = entry != expectedTable().end();

    std::string version = "untouched";
    const bool found = addon::findFeatureVersion(driveType, version);
    fuzzing::check(found == listed, "findFeatureVersion finds exactly the listed codes");
    fuzzing::check(version == (listed ? entry->second : "untouched"),
                   "findFeatureVersion sets the version text only on a match");

    addon::FeatureMap features = {{"OLD_FEATURE", "99.99"}};
    const int result = getFeaturesAndVersions(&driveType, &features);
    fuzzing::check(result == (listed ? 0 : -1), "getFeaturesAndVersions result");
    const addon::FeatureMap expectedFeatures =
        listed ? addon::FeatureMap{{"SENSORLESS_PUMPDATA", entry->second}} : addon::FeatureMap{};
    fuzzing::check(features == expectedFeatures, "getFeaturesAndVersions replaces the map");

    addon::FeatureSet names = {"OTHER_FEATURE"};
    fuzzing::check(getAsFIVector(&driveType, &names) == result,
                   "getAsFIVector answers as getFeaturesAndVersions");
    const addon::FeatureSet expectedNames =
        listed ? addon::FeatureSet{"OTHER_FEATURE", "SENSORLESS_PUMPDATA"}
               : addon::FeatureSet{"OTHER_FEATURE"};
    fuzzing::check(names == expectedNames, "getAsFIVector only adds to the set");
    return 0;
}
