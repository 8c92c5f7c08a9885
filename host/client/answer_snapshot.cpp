#include "answer_snapshot.h"

#include <unordered_set>

#include "answer_formats.h"
#include "module/thrown_description.h"
#include "text/quote.h"

namespace host {

namespace {
// A list that takes each item once, in the order first given; constant time per item, so that
// a catalogue of hundreds of thousands of drive types costs no more than it holds.
class OnceList {
public:
    explicit OnceList(std::vector<std::string>& list)
        : list_(list), seen_(list.begin(), list.end()) {}
    void add(const std::string& item) {
        if (seen_.insert(item).second) list_.push_back(item);
    }

private:
    std::vector<std::string>& list_;
    std::unordered_set<std::string> seen_;
};

// Makes one call; what it throws is noted under `call` and the snapshot goes on.
template <class Call>
void ask(AnswerSnapshot& snapshot, const std::string& call, const Call& makeCall) {
    try {
        makeCall();
    } catch (...) {
        snapshot.thrown[call] = describeThrown();
    }
}

std::string withCode(const char* exportName, const std::string& driveType) {
    return std::string(exportName) + "(\"" + driveType + "\")";
}

void askVersion(const ExportTable& exports, AnswerSnapshot& snapshot) {
    if (exports.getVer == nullptr) return;
    ask(snapshot, addon::getVerName, [&] { snapshot.version = exports.getVer(); });
}

void askInterfaceVersion(const ExportTable& exports, AnswerSnapshot& snapshot) {
    if (exports.getInterfaceVer == nullptr) return;
    ask(snapshot, addon::getInterfaceVerName,
        [&] { snapshot.interfaceVersion = exports.getInterfaceVer(); });
}

void askIdentity(const ExportTable& exports, AnswerSnapshot& snapshot) {
    if (exports.getFeature == nullptr) return;
    ask(snapshot, addon::getFeatureName, [&] {
        CString identity;
        snapshot.identityResult = exports.getFeature(&identity);
        snapshot.identity = identity.GetString();
    });
}

void askCatalogue(const ExportTable& exports, AnswerSnapshot& snapshot) {
    if (exports.getAsDIVector == nullptr) return;
    ask(snapshot, addon::getAsDIVectorName,
        [&] { snapshot.catalogueResult = exports.getAsDIVector(&snapshot.catalogue); });
}

void askFeatures(const ExportTable& exports, const std::string& driveType,
                 AnswerSnapshot& snapshot) {
    if (exports.getFeaturesAndVersions == nullptr) return;
    FeatureAnswers& answers = snapshot.features[driveType];
    ask(snapshot, withCode(addon::getFeaturesAndVersionsName, driveType),
        [&] { answers.result = exports.getFeaturesAndVersions(&driveType, &answers.features); });
}

void askFeatureNames(const ExportTable& exports, const std::string& driveType,
                     AnswerSnapshot& snapshot) {
    if (exports.getAsFIVector == nullptr) return;
    FeatureAnswers& answers = snapshot.features[driveType];
    ask(snapshot, withCode(addon::getAsFIVectorName, driveType),
        [&] { answers.namesResult = exports.getAsFIVector(&driveType, &answers.names); });
}

}  // namespace

std::vector<std::string> driveTypesAsked(const addon::DriveInfoSet& catalogue,
                                         const std::vector<std::string>& more) {
    std::vector<std::string> driveTypes;
    OnceList asked(driveTypes);
    for (const std::string& driveInfo : catalogue) asked.add(driveTypeOf(driveInfo));
    for (const std::string& driveType : more) asked.add(driveType);
    return driveTypes;
}

AnswerSnapshot takeSnapshot(const ExportTable& exports, const std::vector<std::string>& driveTypes,
                            CallOrder order) {
    AnswerSnapshot snapshot;
    if (order == CallOrder::Forward) {
        askVersion(exports, snapshot);
        askInterfaceVersion(exports, snapshot);
        askIdentity(exports, snapshot);
        askCatalogue(exports, snapshot);
        snapshot.driveTypes = driveTypesAsked(snapshot.catalogue, driveTypes);
        for (const std::string& driveType : snapshot.driveTypes) {
            askFeatures(exports, driveType, snapshot);
            askFeatureNames(exports, driveType, snapshot);
        }
    } else {
        snapshot.driveTypes = driveTypes;
        for (auto driveType = driveTypes.rbegin(); driveType != driveTypes.rend(); ++driveType) {
            askFeatureNames(exports, *driveType, snapshot);
            askFeatures(exports, *driveType, snapshot);
        }
        askCatalogue(exports, snapshot);
        askIdentity(exports, snapshot);
        askInterfaceVersion(exports, snapshot);
        askVersion(exports, snapshot);
    }
    return snapshot;
}

std::string firstDifference(const AnswerSnapshot& first, const AnswerSnapshot& second) {
    const auto changed = [](const std::string& what, const std::string& before,
                            const std::string& after) {
        return what + " gave " + before + ", then " + after;
    };
    // A call that threw in one snapshot and not in the other, or threw something else.
    for (const auto* thrown : {&first.thrown, &second.thrown}) {
        for (const auto& call : *thrown) {
            const auto before = first.thrown.find(call.first);
            const auto after = second.thrown.find(call.first);
            const std::string beforeText =
                before == first.thrown.end() ? "returned" : before->second;
            const std::string afterText = after == second.thrown.end() ? "returned" : after->second;
            if (beforeText != afterText)
                return call.first + " " + beforeText + ", then " + afterText;
        }
    }
    if (first.version != second.version) {
        return changed("getVer", std::to_string(first.version), std::to_string(second.version));
    }
    if (first.interfaceVersion != second.interfaceVersion) {
        return changed("getInterfaceVer", std::to_string(first.interfaceVersion),
                       std::to_string(second.interfaceVersion));
    }
    if (first.identityResult != second.identityResult || first.identity != second.identity) {
        return changed("getFeature",
                       std::to_string(first.identityResult) + " " + quote(first.identity),
                       std::to_string(second.identityResult) + " " + quote(second.identity));
    }
    if (first.catalogueResult != second.catalogueResult || first.catalogue != second.catalogue) {
        return changed(
            "getAsDIVector",
            std::to_string(first.catalogueResult) + " " + describeStrings(first.catalogue),
            std::to_string(second.catalogueResult) + " " + describeStrings(second.catalogue));
    }
    for (const auto& [driveType, answers] : first.features) {
        const auto other = second.features.find(driveType);
        if (other == second.features.end()) continue;
        const std::string code = "(" + quote(driveType) + ")";
        if (answers.result != other->second.result || answers.features != other->second.features) {
            return changed(
                "getFeaturesAndVersions" + code,
                std::to_string(answers.result) + " " + describeMap(answers.features),
                std::to_string(other->second.result) + " " + describeMap(other->second.features));
        }
        if (answers.namesResult != other->second.namesResult ||
            answers.names != other->second.names) {
            return changed(
                "getAsFIVector" + code,
                std::to_string(answers.namesResult) + " " + describeStrings(answers.names),
                std::to_string(other->second.namesResult) + " " +
                    describeStrings(other->second.names));
        }
    }
    return std::string();
}

std::string describeStrings(const std::set<std::string>& strings) {
    constexpr std::size_t shown = 4;
    std::string text = "{";
    std::size_t count = 0;
    for (const std::string& element : strings) {
        if (count == shown) {
            text += ", ... " + std::to_string(strings.size()) + " in all";
            break;
        }
        if (count++ > 0) text += ", ";
        text += quote(element);
    }
    return text + "}";
}

std::string describeMap(const std::map<std::string, std::string>& map) {
    std::string text = "{";
    for (const auto& [key, value] : map) {
        if (text.size() > 1) text += ", ";
        text += quote(key) + ": " + quote(value);
    }
    return text + "}";
}

nlohmann::json snapshotToData(const AnswerSnapshot& snapshot) {
    nlohmann::json features = nlohmann::json::object();
    for (const auto& [driveType, answers] : snapshot.features) {
        features[driveType] = {{"result", answers.result},
                               {"features", answers.features},
                               {"namesResult", answers.namesResult},
                               {"names", answers.names}};
    }
    return {{"version", snapshot.version},
            {"interfaceVersion", snapshot.interfaceVersion},
            {"identityResult", snapshot.identityResult},
            {"identity", snapshot.identity},
            {"catalogueResult", snapshot.catalogueResult},
            {"catalogue", snapshot.catalogue},
            {"driveTypes", snapshot.driveTypes},
            {"features", std::move(features)},
            {"thrown", snapshot.thrown}};
}

AnswerSnapshot snapshotFromData(const nlohmann::json& data) {
    AnswerSnapshot snapshot;
    snapshot.version = data.at("version").get<int>();
    snapshot.interfaceVersion = data.at("interfaceVersion").get<int>();
    snapshot.identityResult = data.at("identityResult").get<int>();
    snapshot.identity = data.at("identity").get<std::string>();
    snapshot.catalogueResult = data.at("catalogueResult").get<int>();
    snapshot.catalogue = data.at("catalogue").get<addon::DriveInfoSet>();
    snapshot.driveTypes = data.at("driveTypes").get<std::vector<std::string>>();
    for (const auto& [driveType, answers] : data.at("features").items()) {
        FeatureAnswers& into = snapshot.features[driveType];
        into.result = answers.at("result").get<int>();
        into.features = answers.at("features").get<addon::FeatureMap>();
        into.namesResult = answers.at("namesResult").get<int>();
        into.names = answers.at("names").get<addon::FeatureSet>();
    }
    snapshot.thrown = data.at("thrown").get<std::map<std::string, std::string>>();
    return snapshot;
}

}  // namespace host
