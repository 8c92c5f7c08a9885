#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "addon_client.h"

namespace host {

// One row of the feature table: what getFeaturesAndVersions answered for a drive type.
struct FeatureRow {
    std::string driveType;
    FeatureAnswer answer;
};

// Everything the host asked the module, in the order it asked.
struct Report {
    std::string identity;
    int version = 0;
    int interfaceVersion = 0;
    // Absent when the module does not export getAsDIVector.
    std::optional<std::vector<std::string>> driveCatalogue;
    std::vector<FeatureRow> features;
};

// Asks the module everything: identity and versions, the drive catalogue when it has one, and
// the features of every catalogue code followed by every extra code (each code once).
Report collectReport(const AddonClient& client, const std::vector<std::string>& extraDriveTypes);

void printText(std::ostream& out, const std::string& moduleFile, const Report& report);

// The same content as one JSON document (no module path, so that it is the same wherever the
// module lies).
void printJson(std::ostream& out, const Report& report);

}  // namespace host
