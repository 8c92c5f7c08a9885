#include "report.h"

#include <algorithm>
#include <iomanip>
#include <nlohmann/json.hpp>

#include "answer_formats.h"

namespace host {

Report collectReport(const AddonClient& client, const std::vector<std::string>& extraDriveTypes) {
    Report report;
    report.identity = client.identity();
    report.version = client.version();
    report.interfaceVersion = client.interfaceVersion();

    std::vector<std::string> driveTypes;
    if (client.hasDriveCatalogue()) {
        const addon::DriveInfoSet driveInfos = client.driveCatalogue();
        report.driveCatalogue.emplace(driveInfos.begin(), driveInfos.end());
        for (const std::string& driveInfo : driveInfos)
            driveTypes.push_back(driveTypeOf(driveInfo));
    }
    for (const std::string& driveType : extraDriveTypes) {
        if (std::find(driveTypes.begin(), driveTypes.end(), driveType) == driveTypes.end()) {
            driveTypes.push_back(driveType);
        }
    }
    for (const std::string& driveType : driveTypes) {
        report.features.push_back(FeatureRow{driveType, client.features(driveType)});
    }
    return report;
}

namespace {
std::string describeFeatures(const FeatureAnswer& answer) {
    if (answer.features.empty()) return "no features";
    std::string text;
    for (const auto& feature : answer.features) {
        if (!text.empty()) text += ", ";
        text += feature.first + " " + feature.second;
    }
    return text;
}

const FeatureRow* rowFor(const Report& report, const std::string& driveType) {
    for (const FeatureRow& row : report.features) {
        if (row.driveType == driveType) return &row;
    }
    return nullptr;
}
}  // namespace

void printText(std::ostream& out, const std::string& moduleFile, const Report& report) {
    out << "Module:            " << moduleFile << '\n'
        << "Identity:          " << report.identity << '\n'
        << "Version:           " << report.version << '\n'
        << "Interface version: " << report.interfaceVersion << '\n';

    if (report.driveCatalogue) {
        out << "\nDrive catalogue (" << report.driveCatalogue->size()
            << " drive types, in the host's set order):\n";
        for (const std::string& driveInfo : *report.driveCatalogue) {
            const FeatureRow* row = rowFor(report, driveTypeOf(driveInfo));
            out << "  " << std::left << std::setw(14) << driveInfo << "  "
                << (row != nullptr ? describeFeatures(row->answer) : "no features") << '\n';
        }
    } else {
        out << "\nDrive catalogue:   not exported by this module\n";
    }

    out << "\nFeatures by drive type:\n";
    out << "  " << std::left << std::setw(12) << "Drive type" << std::setw(8) << "Result"
        << "Features\n";
    for (const FeatureRow& row : report.features) {
        out << "  " << std::left << std::setw(12) << ("\"" + row.driveType + "\"") << std::setw(8)
            << row.answer.result << describeFeatures(row.answer) << '\n';
    }
}

void printJson(std::ostream& out, const Report& report) {
    nlohmann::ordered_json document;
    document["identity"] = report.identity;
    document["version"] = report.version;
    document["interfaceVersion"] = report.interfaceVersion;
    document["driveCatalogue"] =
        report.driveCatalogue ? nlohmann::ordered_json(*report.driveCatalogue) : nullptr;
    nlohmann::ordered_json features = nlohmann::ordered_json::array();
    for (const FeatureRow& row : report.features) {
        features.push_back({{"driveType", row.driveType},
                            {"result", row.answer.result},
                            {"features", row.answer.features}});
    }
    document["features"] = std::move(features);
    out << document.dump(2) << '\n';
}

}  // namespace host
