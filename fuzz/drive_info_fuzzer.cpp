// Drive-info strings built from arbitrary slot values, and the catalogue expansion of arbitrary
// drive type codes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "drive_catalogue.h"
#include "fuzz_check.h"

namespace {

// The field keys by index, taken from the interface's list directly rather than from the
// add-on's field table, which is built from it and searched by value.
constexpr const auto& fieldKeys = addon::driveInfoFieldKeys;
constexpr std::size_t fieldCount = addon::driveInfoFieldCount;

// The present fields in index order, "key=value" joined by ";"; slots past the last field have
// no key and leave no trace.
std::string expectedDriveInfo(const addon::DriveInfoSlots& slots) {
    std::string expected;
    for (std::size_t index = 0; index < slots.size() && index < fieldCount; ++index) {
        if (slots[index].empty()) continue;
        if (!expected.empty()) expected += ';';
        expected += fieldKeys[index];
        expected += '=';
        expected += slots[index];
    }
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);

    // Fewer slots than fields, exactly as many, and more; values of any bytes, ";" "=" and NUL
    // included, which are copied unchanged.
    addon::DriveInfoSlots slots(input.ConsumeIntegralInRange<std::size_t>(0, fieldCount + 6));
    for (std::string& slot : slots) slot = input.ConsumeRandomLengthString(64);
    fuzzing::check(addon::setDriveInfoString(slots) == expectedDriveInfo(slots),
                   "setDriveInfoString gives the present fields in index order");

    // The same values as a list of drive type codes: each becomes field D of its own string.
    const std::vector<std::string> codes(slots.begin(), slots.end());
    std::set<std::string> driveInfos = {"D=left over"};
    driveInfos.clear();
    addon::expandDriveCatalogue(codes, driveInfos);
    std::set<std::string> expected;
    for (const std::string& code : codes) expected.insert(code.empty() ? "" : "D=" + code);
    fuzzing::check(driveInfos == expected, "expandDriveCatalogue gives one string per code");
    return 0;
}
