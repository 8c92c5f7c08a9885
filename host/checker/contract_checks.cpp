#include "contract_checks.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>

#include "client/answer_formats.h"
#include "client/answer_snapshot.h"
#include "module/thrown_description.h"
#include "null_pointer_probe.h"
#include "text/quote.h"

namespace host {

namespace {

CheckOutcome passed(const std::string& seen) {
    CheckOutcome outcome;
    outcome.passed = true;
    outcome.seen = seen;
    return outcome;
}
CheckOutcome failed(const std::string& seen) {
    CheckOutcome outcome;
    outcome.seen = seen;
    return outcome;
}

// Containers as a host might hand them over: holding something from an earlier use.
const std::string staleDriveInfo = "stale entry the host put there";
const std::string staleFeature = "stale feature the host put there";
const std::string staleFeatureName = "stale name the host put there";
const std::string staleIdentity = "stale identity the host put there";

// The first call after the load, whose answer the later calls are held to; what it threw
// fails the check as "the first call threw ...".
template <class Call>
bool firstCall(const Call& call, CheckOutcome& failure) {
    try {
        call();
        return true;
    } catch (...) {
        failure = failed("the first call " + describeThrown());
        return false;
    }
}

CheckOutcome sameEveryCall(addon::GetVerFunction* function) {
    int first = 0;
    CheckOutcome failure;
    if (!firstCall([&] { first = function(); }, failure)) return failure;
    for (int answer : {function(), function()}) {
        if (answer != first)
            return failed(std::to_string(first) + ", then " + std::to_string(answer));
    }
    return passed(std::to_string(first));
}

CheckOutcome identityIsStable(const ExportTable& exports) {
    CString first;
    int firstResult = 0;
    CheckOutcome failure;
    if (!firstCall([&] { firstResult = exports.getFeature(&first); }, failure)) return failure;
    const std::string identity = first.GetString();
    CString stale(staleIdentity.c_str());
    const int result = exports.getFeature(&stale);
    CString fresh;
    const int freshResult = exports.getFeature(&fresh);
    for (int seen : {firstResult, result, freshResult}) {
        if (seen != addon::resultOk) return failed("result " + std::to_string(seen));
    }
    if (identity.empty()) return failed("an empty identity");
    for (const CString* seen : {&stale, &fresh}) {
        if (seen->GetString() != identity) {
            return failed(quote(identity) + ", then " + quote(seen->GetString()));
        }
    }
    return passed(quote(identity));
}

CheckOutcome catalogueEmptiesSet(const ExportTable& exports) {
    addon::DriveInfoSet driveInfos = {staleDriveInfo};
    const int result = exports.getAsDIVector(&driveInfos);
    if (result != addon::resultOk) return failed("result " + std::to_string(result));
    if (driveInfos.count(staleDriveInfo) != 0) {
        return failed("the host's " + quote(staleDriveInfo) + " was still there");
    }
    return passed("result 0, " + std::to_string(driveInfos.size()) + " strings");
}

// Also hands the catalogue to the checker, whose other checks ask its drive types.
CheckOutcome catalogueIsWellFormed(const ExportTable& exports) {
    addon::DriveInfoSet driveInfos;
    exports.getAsDIVector(&driveInfos);
    CheckOutcome outcome = [&] {
        if (driveInfos.empty()) return failed("no drive-info string at all");
        for (const std::string& driveInfo : driveInfos) {
            if (const auto problem = driveInfoProblem(driveInfo)) return failed(*problem);
        }
        return passed(std::to_string(driveInfos.size()) + " strings, first " +
                      quote(*driveInfos.begin()));
    }();
    outcome.data[outcomeCatalogue] = driveInfos;
    return outcome;
}

CheckOutcome featuresEmptyMap(const ExportTable& exports,
                              const std::vector<std::string>& driveTypes) {
    for (const std::string& driveType : driveTypes) {
        addon::FeatureMap features = {{staleFeature, "99.99"}};
        exports.getFeaturesAndVersions(&driveType, &features);
        if (features.count(staleFeature) != 0) {
            return failed("for " + quote(driveType) + " the host's " + quote(staleFeature) +
                          " was still there");
        }
    }
    return passed(std::to_string(driveTypes.size()) + " drive types asked");
}

// Also names the first drive type with features, which the null-pointer probes pass.
CheckOutcome featuresResultMatchesMap(const ExportTable& exports,
                                      const std::vector<std::string>& driveTypes) {
    std::size_t withFeatures = 0;
    std::optional<std::string> firstWithFeatures;
    CheckOutcome outcome = passed(std::string());
    for (const std::string& driveType : driveTypes) {
        addon::FeatureMap features;
        const int result = exports.getFeaturesAndVersions(&driveType, &features);
        if (!features.empty() && !firstWithFeatures) firstWithFeatures = driveType;
        const bool sound = (result == addon::resultOk && !features.empty()) ||
                           (result == addon::resultNone && features.empty());
        if (!sound) {
            outcome = failed(quote(driveType) + ": result " + std::to_string(result) + " with " +
                             describeMap(features));
            break;
        }
        if (result == addon::resultOk) ++withFeatures;
    }
    if (outcome.passed) {
        outcome.seen = std::to_string(withFeatures) + " of " + std::to_string(driveTypes.size()) +
                       " drive types have features";
    }
    if (firstWithFeatures) outcome.data["firstWithFeatures"] = *firstWithFeatures;
    return outcome;
}

CheckOutcome versionTextsAreWellFormed(const ExportTable& exports,
                                       const std::vector<std::string>& driveTypes) {
    std::set<std::string> versions;
    for (const std::string& driveType : driveTypes) {
        addon::FeatureMap features;
        exports.getFeaturesAndVersions(&driveType, &features);
        for (const auto& [feature, version] : features) {
            if (!isVersionText(version)) {
                return failed(quote(driveType) + ": " + quote(feature) + " " + quote(version));
            }
            versions.insert(version);
        }
    }
    if (versions.empty()) return passed("no drive type asked has features: nothing to check");
    return passed("seen " + describeStrings(versions));
}

CheckOutcome featureNamesOnlyAdd(const ExportTable& exports,
                                 const std::vector<std::string>& driveTypes) {
    for (const std::string& driveType : driveTypes) {
        addon::FeatureSet names = {staleFeatureName};
        exports.getAsFIVector(&driveType, &names);
        if (names.count(staleFeatureName) == 0) {
            return failed("for " + quote(driveType) + " the host's " + quote(staleFeatureName) +
                          " was gone");
        }
    }
    return passed(std::to_string(driveTypes.size()) + " drive types asked");
}

CheckOutcome featureNamesResultMatches(const ExportTable& exports,
                                       const std::vector<std::string>& driveTypes) {
    for (const std::string& driveType : driveTypes) {
        addon::FeatureMap features;
        addon::FeatureSet names;
        const int result = exports.getFeaturesAndVersions(&driveType, &features);
        const int namesResult = exports.getAsFIVector(&driveType, &names);
        if (namesResult != result) {
            return failed(quote(driveType) + ": " + std::to_string(namesResult) +
                          ", getFeaturesAndVersions " + std::to_string(result));
        }
    }
    return passed(std::to_string(driveTypes.size()) + " drive types asked");
}

CheckOutcome featureNamesMatchMap(const ExportTable& exports,
                                  const std::vector<std::string>& driveTypes) {
    for (const std::string& driveType : driveTypes) {
        addon::FeatureMap features;
        addon::FeatureSet names;
        exports.getFeaturesAndVersions(&driveType, &features);
        exports.getAsFIVector(&driveType, &names);
        addon::FeatureSet keys;
        for (const auto& feature : features) keys.insert(feature.first);
        if (names != keys) {
            return failed(quote(driveType) + ": added " + describeStrings(names) +
                          ", getFeaturesAndVersions gave " + describeStrings(keys));
        }
    }
    return passed(std::to_string(driveTypes.size()) + " drive types asked");
}

CheckOutcome repeatedCallsAgree(const ExportTable& exports, const CheckInput& input) {
    const AnswerSnapshot first =
        takeSnapshot(exports, input.snapshotDriveTypes, CallOrder::Forward);
    const AnswerSnapshot second =
        takeSnapshot(exports, input.snapshotDriveTypes, CallOrder::Forward);
    const std::string difference = firstDifference(first, second);
    return difference.empty() ? passed(std::string()) : failed(difference);
}

CheckOutcome snapshotOnly(const ExportTable& exports, const std::vector<std::string>& driveTypes,
                          CallOrder order) {
    CheckOutcome outcome = passed(std::string());
    outcome.data[outcomeSnapshot] = snapshotToData(takeSnapshot(exports, driveTypes, order));
    return outcome;
}

CheckOutcome nullPointerProbe(const ExportTable& exports, const std::string& probeName,
                              const std::string& driveType) {
    if (!callWithNull(exports, probeName, driveType)) {
        return failed("the export is missing or the probe unknown");
    }
    return passed("returned");
}

// The checks that are not single-export checks, by their ids.
const std::map<std::string, CheckBody>& otherCheckBodies() {
    static const std::map<std::string, CheckBody> bodies = {
        {repeatedCallsId, repeatedCallsAgree},
        {forwardSnapshotId,
         [](const ExportTable& e, const CheckInput& i) {
             return snapshotOnly(e, i.snapshotDriveTypes, CallOrder::Forward);
         }},
        {reverseSnapshotId,
         [](const ExportTable& e, const CheckInput& i) {
             return snapshotOnly(e, i.snapshotDriveTypes, CallOrder::Reverse);
         }},
        // Every export once, so that whatever the module builds on first use is there to be
        // torn down; what they answer is of no interest here.
        {unloadId,
         [](const ExportTable& e, const CheckInput& i) {
             takeSnapshot(e, i.snapshotDriveTypes, CallOrder::Forward);
             return passed("unloaded after a call of every export");
         }},
    };
    return bodies;
}

}  // namespace

const std::vector<ContractCheck>& exportChecks() {
    using namespace addon;
    static const std::vector<ContractCheck> checks = {
        {"getVer",
         "getVer gives the same answer on every call",
         {getVerName},
         [](const ExportTable& e, const CheckInput&) { return sameEveryCall(e.getVer); }},
        {"getInterfaceVer",
         "getInterfaceVer gives the same answer on every call",
         {getInterfaceVerName},
         [](const ExportTable& e, const CheckInput&) { return sameEveryCall(e.getInterfaceVer); }},
        {"getFeature",
         "getFeature returns 0 and sets the same identity on every call, replacing the string's "
         "text",
         {getFeatureName},
         [](const ExportTable& e, const CheckInput&) { return identityIsStable(e); }},
        {"catalogue-empties",
         "getAsDIVector returns 0 and empties the host's set",
         {getAsDIVectorName},
         [](const ExportTable& e, const CheckInput&) { return catalogueEmptiesSet(e); }},
        {"catalogue-well-formed",
         "getAsDIVector fills the set with well-formed drive-info strings",
         {getAsDIVectorName},
         [](const ExportTable& e, const CheckInput&) { return catalogueIsWellFormed(e); }},
        {"features-empty-map",
         "getFeaturesAndVersions empties the host's map",
         {getFeaturesAndVersionsName},
         [](const ExportTable& e, const CheckInput& i) {
             return featuresEmptyMap(e, i.driveTypes);
         }},
        {"features-result",
         "getFeaturesAndVersions gives 0 with a non-empty map or -1 with an empty one",
         {getFeaturesAndVersionsName},
         [](const ExportTable& e, const CheckInput& i) {
             return featuresResultMatchesMap(e, i.driveTypes);
         }},
        {"version-texts",
         "getFeaturesAndVersions gives version texts of two digits, a point, two digits",
         {getFeaturesAndVersionsName},
         [](const ExportTable& e, const CheckInput& i) {
             return versionTextsAreWellFormed(e, i.driveTypes);
         }},
        {"names-only-add",
         "getAsFIVector only adds to the host's set",
         {getAsFIVectorName},
         [](const ExportTable& e, const CheckInput& i) {
             return featureNamesOnlyAdd(e, i.driveTypes);
         }},
        {"names-result",
         "getAsFIVector returns what getFeaturesAndVersions returns",
         {getAsFIVectorName, getFeaturesAndVersionsName},
         [](const ExportTable& e, const CheckInput& i) {
             return featureNamesResultMatches(e, i.driveTypes);
         }},
        {"names-match-map",
         "getAsFIVector adds exactly the feature names of getFeaturesAndVersions",
         {getAsFIVectorName, getFeaturesAndVersionsName},
         [](const ExportTable& e, const CheckInput& i) {
             return featureNamesMatchMap(e, i.driveTypes);
         }},
    };
    return checks;
}

CheckOutcome runContractCheck(const std::string& id, const ExportTable& exports,
                              const CheckInput& input) {
    if (id.rfind(nullPointerIdPrefix, 0) == 0) {
        return nullPointerProbe(exports, id.substr(std::string(nullPointerIdPrefix).size()),
                                input.probeDriveType);
    }
    for (const ContractCheck& check : exportChecks()) {
        if (check.id == id) return check.run(exports, input);
    }
    const auto body = otherCheckBodies().find(id);
    if (body == otherCheckBodies().end()) {
        throw std::invalid_argument("no check named " + quote(id));
    }
    return body->second(exports, input);
}

}  // namespace host
