#include "answer_snapshot.h"

#include <algorithm>

#include "answer_formats.h"
#include "quote.h"

namespace host {

namespace {
void addOnce(std::vector<std::string>& list, const std::string& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

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

AnswerSnapshot takeSnapshot(const ExportTable& exports, const std::vector<std::string>& driveTypes,
                            CallOrder order) {
    AnswerSnapshot snapshot;
    if (order == CallOrder::Forward) {
        askVersion(exports, snapshot);
        askInterfaceVersion(exports, snapshot);
        askIdentity(exports, snapshot);
        askCatalogue(exports, snapshot);
        for (const std::string& driveInfo : snapshot.catalogue) {
            addOnce(snapshot.driveTypes, driveTypeOf(driveInfo));
        }
        for (const std::string& driveType : driveTypes) addOnce(snapshot.driveTypes, driveType);
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

std::string describeThrown() {
    try {
        throw;
    } catch (const char* text) {
        return "threw " + quote(text != nullptr ? text : "(null)");
    } catch (const std::exception& error) {
        return std::string("threw ") + error.what();
    } catch (...) {
        return "threw an exception of unknown type";
    }
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

}  // namespace host
