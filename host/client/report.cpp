#include "report.h"

#include <iomanip>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "answer_formats.h"
#include "answer_snapshot.h"
#include "text/utf8_text.h"

namespace host {

Report collectReport(const AddonClient& client, const std::vector<std::string>& extraDriveTypes) {
    Report report;
    report.identity = client.identity();
    report.version = client.version();
    report.interfaceVersion = client.interfaceVersion();

    addon::DriveInfoSet driveInfos;
    if (client.hasDriveCatalogue()) {
        driveInfos = client.driveCatalogue();
        report.driveCatalogue.emplace(driveInfos.begin(), driveInfos.end());
    }
    for (const std::string& driveType : driveTypesAsked(driveInfos, extraDriveTypes)) {
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

// The feature rows by drive type, found in constant time however long the catalogue.
class RowIndex {
public:
    explicit RowIndex(const Report& report) {
        rows_.reserve(report.features.size());
        for (const FeatureRow& row : report.features) rows_.emplace(row.driveType, &row);
    }
    const FeatureRow* find(const std::string& driveType) const {
        const auto row = rows_.find(driveType);
        return row == rows_.end() ? nullptr : row->second;
    }

private:
    std::unordered_map<std::string, const FeatureRow*> rows_;
};
}  // namespace

void printText(std::ostream& out, const std::string& moduleFile, const Report& report) {
    out << "Module:            " << moduleFile << '\n'
        << "Identity:          " << report.identity << '\n'
        << "Version:           " << report.version << '\n'
        << "Interface version: " << report.interfaceVersion << '\n';

    if (report.driveCatalogue) {
        const RowIndex rows(report);
        out << "\nDrive catalogue (" << report.driveCatalogue->size()
            << " drive types, in the host's set order):\n";
        for (const std::string& driveInfo : *report.driveCatalogue) {
            const FeatureRow* row = rows.find(driveTypeOf(driveInfo));
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
    // The module's texts and the --drive codes need not be UTF-8, which JSON asks for.
    nlohmann::ordered_json document;
    document["identity"] = interfaceTextToUtf8(report.identity);
    document["version"] = report.version;
    document["interfaceVersion"] = report.interfaceVersion;
    if (report.driveCatalogue) {
        nlohmann::ordered_json catalogue = nlohmann::ordered_json::array();
        for (const std::string& driveInfo : *report.driveCatalogue) {
            catalogue.push_back(interfaceTextToUtf8(driveInfo));
        }
        document["driveCatalogue"] = std::move(catalogue);
    } else {
        document["driveCatalogue"] = nullptr;
    }
    nlohmann::ordered_json features = nlohmann::ordered_json::array();
    for (const FeatureRow& row : report.features) {
        nlohmann::ordered_json map = nlohmann::ordered_json::object();
        for (const auto& [feature, version] : row.answer.features) {
            map[interfaceTextToUtf8(feature)] = interfaceTextToUtf8(version);
        }
        features.push_back({{"driveType", interfaceTextToUtf8(row.driveType)},
                            {"result", row.answer.result},
                            {"features", std::move(map)}});
    }
    document["features"] = std::move(features);
    // Every text is UTF-8 already; the handler only keeps a fault of that from throwing.
    out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

}  // namespace host
