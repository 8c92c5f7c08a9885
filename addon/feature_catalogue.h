#pragma once

#include <map>
#include <string>

#include "addon001/afx/cstring.h"

namespace addon {

// The order of the drive type codes: CString's exact ordinal Compare. It also compares a code
// with a plain text, so that a lookup needs no CString made for it.
struct DriveTypeOrder {
    using is_transparent = void;
    bool operator()(const CString& left, const CString& right) const {
        return left.Compare(right) < 0;
    }
    bool operator()(const CString& left, const char* right) const {
        return left.Compare(right) < 0;
    }
    bool operator()(const char* left, const CString& right) const {
        return right.Compare(left) > 0;
    }
};

// Drive type code to version text, keyed and ordered by CString's exact ordinal Compare.
using FeatureVersionTable = std::map<CString, std::string, DriveTypeOrder>;

// The one feature the add-on offers, the key under which its version text is reported.
inline constexpr const char* sensorlessPumpData = "SENSORLESS_PUMPDATA";

// Makes a table from a list of (code, version text) pairs, inserting them in list order: an
// insertion never overwrites, so the first pair for a code wins.
template <class PairList>
FeatureVersionTable tableFromPairs(const PairList& pairs) {
    FeatureVersionTable table;
    for (const auto& pair : pairs) table.insert(pair);
    return table;
}

// The module's feature version table, built on the first call (also when two threads make it
// at once) and destroyed when the module is unloaded. A build that fails part-way counts as
// not built, and the next call builds it again.
const FeatureVersionTable& featureVersionTable();

// True when `driveType` has an entry, with `version` set to its version text; false, with
// `version` untouched, when it has none. Only the characters before the first NUL count.
bool findFeatureVersion(const std::string& driveType, std::string& version);

}  // namespace addon
