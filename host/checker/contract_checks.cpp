#include "contract_checks.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>

#include <cstdio>

#include "client/answer_formats.h"
#include "client/answer_snapshot.h"
#include "module/thrown_description.h"
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

std::filesystem::path handedOn(const CheckInput& input, const char* name) {
    return std::filesystem::path(input.handedOnFolder) / name;
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
    for (int call = 1; call < repeatedCalls; ++call) {
        const int answer = function();
        if (answer != first)
            return failed(std::to_string(first) + ", then " + std::to_string(answer) + " at call " +
                          std::to_string(call + 1));
    }
    return passed(std::to_string(first) + " in " + std::to_string(repeatedCalls) + " calls");
}

CheckOutcome interfaceVersionIsTheHosts(const ExportTable& exports, int hostVersion) {
    const int version = exports.getInterfaceVer();
    if (version != hostVersion) {
        return failed(std::to_string(version) + ", but the host speaks " +
                      std::to_string(hostVersion));
    }
    return passed(std::to_string(version));
}

CheckOutcome identityIsStable(const ExportTable& exports) {
    CString first;
    int firstResult = 0;
    CheckOutcome failure;
    if (!firstCall([&] { firstResult = exports.getFeature(&first); }, failure)) return failure;
    const std::string identity = first.GetString();
    CString stale(staleIdentity.c_str());
    const int result = exports.getFeature(&stale);
    for (int seen : {firstResult, result}) {
        if (seen != addon::resultOk) return failed("result " + std::to_string(seen));
    }
    if (identity.empty()) return failed("an empty identity");
    if (stale.GetString() != identity) {
        return failed(quote(identity) + ", then " + quote(stale.GetString()));
    }
    for (int call = 2; call < repeatedCalls; ++call) {
        CString fresh;
        const int freshResult = exports.getFeature(&fresh);
        if (freshResult != addon::resultOk) return failed("result " + std::to_string(freshResult));
        if (fresh.GetString() != identity) {
            return failed(quote(identity) + ", then " + quote(fresh.GetString()) + " at call " +
                          std::to_string(call + 1));
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

// Also hands the catalogue's drive types on to the later checks, which ask them.
CheckOutcome catalogueIsWellFormed(const ExportTable& exports, const CheckInput& input) {
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
    writeFramedDocument(handedOn(input, handedOnDriveTypes),
                        driveTypesAsked(driveInfos, input.extraDriveTypes), input.channelKey);
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
                                      const std::vector<std::string>& driveTypes,
                                      const CheckInput& input) {
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
    if (firstWithFeatures) {
        writeFramedDocument(handedOn(input, handedOnProbeDriveType), *firstWithFeatures,
                            input.channelKey);
    }
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

// Every export asked again and again, each answer held to the first round's. After the first
// round, which asks every drive type, a round asks the feature exports for a window of the
// drive types that moves on from round to round, so that a large catalogue is covered without
// being asked a hundred times.
CheckOutcome repeatedCallsAgree(const ExportTable& exports, const CheckContext& context) {
    AnswerSnapshot first = takeSnapshot(exports, context.input.extraDriveTypes, CallOrder::Forward);
    // Each round is held to the first round's answers for the drive types it asked: those are
    // put in place of all of them for the comparison, so that no round copies the first whole.
    const std::map<std::string, FeatureAnswers> allFeatures = std::move(first.features);
    const std::map<std::string, std::string> allThrown = std::move(first.thrown);
    const auto featureCall = [](const char* name, const std::string& driveType) {
        return std::string(name) + "(\"" + driveType + "\")";
    };
    constexpr std::size_t window = 64;
    std::size_t next = 0;
    for (int round = 1; round < repeatedCalls; ++round) {
        std::vector<std::string> asked;
        for (std::size_t count = 0; count < window && count < first.driveTypes.size(); ++count) {
            asked.push_back(first.driveTypes[next]);
            next = (next + 1) % first.driveTypes.size();
        }
        const AnswerSnapshot again = takeSnapshot(exports, asked, CallOrder::Reverse);
        first.features.clear();
        first.thrown.clear();
        for (const auto& [call, what] : allThrown) {
            if (call.find('(') == std::string::npos) first.thrown.emplace(call, what);
        }
        for (const std::string& driveType : asked) {
            if (const auto answers = allFeatures.find(driveType); answers != allFeatures.end()) {
                first.features.insert(*answers);
            }
            for (const char* name : {addon::getFeaturesAndVersionsName, addon::getAsFIVectorName}) {
                const auto thrown = allThrown.find(featureCall(name, driveType));
                if (thrown != allThrown.end()) first.thrown.insert(*thrown);
            }
        }
        const std::string difference = firstDifference(first, again);
        if (!difference.empty()) {
            return failed("round " + std::to_string(round + 1) + " of " +
                          std::to_string(repeatedCalls) + ": " + difference);
        }
    }
    return passed(std::to_string(repeatedCalls) + " rounds of calls");
}

// A snapshot's digest, for a message that says two snapshots differ without holding both.
std::string snapshotDigest(const AnswerSnapshot& snapshot) {
    const std::vector<std::uint8_t> bytes = nlohmann::json::to_cbor(snapshotToData(snapshot));
    char text[24];
    std::snprintf(
        text, sizeof text, "%016llx",
        static_cast<unsigned long long>(recordDigest(
            0, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))));
    return text;
}

// The first load's snapshot, handed on to the loads that compare with it.
CheckOutcome firstSnapshot(const ExportTable& exports, const CheckContext& context) {
    const AnswerSnapshot snapshot =
        takeSnapshot(exports, context.input.extraDriveTypes, CallOrder::Forward);
    writeFramedDocument(handedOn(context.input, handedOnSnapshot), snapshotToData(snapshot),
                        context.input.channelKey);
    return passed(snapshotDigest(snapshot));
}

// A later load's snapshot held to the first load's: "digest A, then B: <first difference>".
CheckOutcome sameAsFirstSnapshot(const ExportTable& exports, const CheckContext& context,
                                 CallOrder order) {
    if (!context.firstSnapshot) return failed("no snapshot of the first load to compare with");
    const AnswerSnapshot& first = *context.firstSnapshot;
    const AnswerSnapshot snapshot = takeSnapshot(
        exports, order == CallOrder::Reverse ? first.driveTypes : context.input.extraDriveTypes,
        order);
    const std::string difference = firstDifference(first, snapshot);
    if (difference.empty()) return passed(snapshotDigest(snapshot));
    return failed("digest " + snapshotDigest(first) + ", then " + snapshotDigest(snapshot) + ": " +
                  difference);
}

CheckOutcome returned() {
    return passed("returned");
}

CheckBody withNull(CheckOutcome (*call)(const ExportTable&, const std::string&)) {
    return [call](const ExportTable& exports, const CheckContext& context) {
        return call(exports, context.probeDriveType);
    };
}

// The check process's parts of the call-order and fresh-load checks, and the unload.
const std::map<std::string, CheckBody>& partBodies() {
    static const std::map<std::string, CheckBody> bodies = {
        {firstSnapshotId, firstSnapshot},
        {reverseSnapshotId,
         [](const ExportTable& e, const CheckContext& c) {
             return sameAsFirstSnapshot(e, c, CallOrder::Reverse);
         }},
        {againSnapshotId,
         [](const ExportTable& e, const CheckContext& c) {
             return sameAsFirstSnapshot(e, c, CallOrder::Forward);
         }},
        // Every export once, so that whatever the module builds on first use is there to be
        // torn down; what they answer is of no interest here.
        {unloadId,
         [](const ExportTable& e, const CheckContext& c) {
             takeSnapshot(e, c.input.extraDriveTypes, CallOrder::Forward);
             return passed("unloaded after a call of every export");
         }},
    };
    return bodies;
}

std::vector<std::string> readDriveTypes(const CheckInput& input) {
    if (const auto handed =
            readFramedDocument(handedOn(input, handedOnDriveTypes), input.channelKey)) {
        return handed->get<std::vector<std::string>>();
    }
    return driveTypesAsked({}, input.extraDriveTypes);
}

}  // namespace

const std::vector<ContractCheck>& contractChecks() {
    using namespace addon;
    using Kind = ContractCheck::Kind;
    const auto inProcess = [](std::string id, std::string title, std::vector<std::string> needs,
                              CheckBody run) {
        return ContractCheck{Kind::CheckProcess, std::move(id), std::move(title), std::move(needs),
                             std::move(run)};
    };
    const auto exportPresent = [](const std::string& name) {
        return ContractCheck{Kind::ExportPresent,
                             "export:" + name,
                             "export " + name + " is present",
                             {name},
                             nullptr};
    };
    static const std::vector<ContractCheck> checks = {
        {Kind::Runtime, "runtime", "the module uses the host's C++ runtime", {}, nullptr},
        {Kind::Load, "load", "the module loads", {}, nullptr},
        exportPresent(getVerName),
        exportPresent(getInterfaceVerName),
        exportPresent(getFeatureName),
        exportPresent(getAsDIVectorName),
        exportPresent(getFeaturesAndVersionsName),
        exportPresent(getAsFIVectorName),
        inProcess(
            "getVer", "getVer gives the same answer on every call", {getVerName},
            [](const ExportTable& e, const CheckContext&) { return sameEveryCall(e.getVer); }),
        inProcess("getInterfaceVer", "getInterfaceVer gives the same answer on every call",
                  {getInterfaceVerName},
                  [](const ExportTable& e, const CheckContext&) {
                      return sameEveryCall(e.getInterfaceVer);
                  }),
        inProcess("getFeature",
                  "getFeature returns 0 and sets the same identity on every call, replacing the "
                  "string's text",
                  {getFeatureName},
                  [](const ExportTable& e, const CheckContext&) { return identityIsStable(e); }),
        inProcess("catalogue-empties", "getAsDIVector returns 0 and empties the host's set",
                  {getAsDIVectorName},
                  [](const ExportTable& e, const CheckContext&) { return catalogueEmptiesSet(e); }),
        inProcess("catalogue-well-formed",
                  "getAsDIVector fills the set with well-formed drive-info strings",
                  {getAsDIVectorName},
                  [](const ExportTable& e, const CheckContext& c) {
                      return catalogueIsWellFormed(e, c.input);
                  }),
        inProcess("features-empty-map", "getFeaturesAndVersions empties the host's map",
                  {getFeaturesAndVersionsName},
                  [](const ExportTable& e, const CheckContext& c) {
                      return featuresEmptyMap(e, c.driveTypes);
                  }),
        inProcess("features-result",
                  "getFeaturesAndVersions gives 0 with a non-empty map or -1 with an empty one",
                  {getFeaturesAndVersionsName},
                  [](const ExportTable& e, const CheckContext& c) {
                      return featuresResultMatchesMap(e, c.driveTypes, c.input);
                  }),
        inProcess("version-texts",
                  "getFeaturesAndVersions gives version texts of two digits, a point, two digits",
                  {getFeaturesAndVersionsName},
                  [](const ExportTable& e, const CheckContext& c) {
                      return versionTextsAreWellFormed(e, c.driveTypes);
                  }),
        inProcess("names-only-add", "getAsFIVector only adds to the host's set",
                  {getAsFIVectorName},
                  [](const ExportTable& e, const CheckContext& c) {
                      return featureNamesOnlyAdd(e, c.driveTypes);
                  }),
        inProcess("names-result", "getAsFIVector returns what getFeaturesAndVersions returns",
                  {getAsFIVectorName, getFeaturesAndVersionsName},
                  [](const ExportTable& e, const CheckContext& c) {
                      return featureNamesResultMatches(e, c.driveTypes);
                  }),
        inProcess("names-match-map",
                  "getAsFIVector adds exactly the feature names of getFeaturesAndVersions",
                  {getAsFIVectorName, getFeaturesAndVersionsName},
                  [](const ExportTable& e, const CheckContext& c) {
                      return featureNamesMatchMap(e, c.driveTypes);
                  }),
        inProcess("interface-version",
                  "getInterfaceVer gives the interface version the host speaks",
                  {getInterfaceVerName},
                  [](const ExportTable& e, const CheckContext& c) {
                      return interfaceVersionIsTheHosts(e, c.input.interfaceVersion);
                  }),
        inProcess("repeated", "repeated calls give identical answers", {}, repeatedCallsAgree),
        {Kind::CallOrder,
         "call-order",
         "answers do not depend on call order, asked again after a fresh load",
         {},
         nullptr},
        {Kind::FreshLoads, "fresh-loads", "three fresh loads give identical answers", {}, nullptr},
        // Each pointer parameter of each export, null on its own.
        inProcess("null:getFeature", "getFeature with a null string does not crash",
                  {getFeatureName}, withNull([](const ExportTable& e, const std::string&) {
                      e.getFeature(nullptr);
                      return returned();
                  })),
        inProcess("null:getAsDIVector", "getAsDIVector with a null set does not crash",
                  {getAsDIVectorName}, withNull([](const ExportTable& e, const std::string&) {
                      e.getAsDIVector(nullptr);
                      return returned();
                  })),
        inProcess("null:getFeaturesAndVersions:driveType",
                  "getFeaturesAndVersions with a null drive type does not crash",
                  {getFeaturesAndVersionsName},
                  withNull([](const ExportTable& e, const std::string&) {
                      FeatureMap features;
                      e.getFeaturesAndVersions(nullptr, &features);
                      return returned();
                  })),
        inProcess("null:getFeaturesAndVersions:features",
                  "getFeaturesAndVersions with a null map does not crash",
                  {getFeaturesAndVersionsName},
                  withNull([](const ExportTable& e, const std::string& driveType) {
                      e.getFeaturesAndVersions(&driveType, nullptr);
                      return returned();
                  })),
        inProcess("null:getAsFIVector:driveType",
                  "getAsFIVector with a null drive type does not crash", {getAsFIVectorName},
                  withNull([](const ExportTable& e, const std::string&) {
                      FeatureSet names;
                      e.getAsFIVector(nullptr, &names);
                      return returned();
                  })),
        inProcess("null:getAsFIVector:features", "getAsFIVector with a null set does not crash",
                  {getAsFIVectorName},
                  withNull([](const ExportTable& e, const std::string& driveType) {
                      e.getAsFIVector(&driveType, nullptr);
                      return returned();
                  })),
        inProcess(unloadId, "the module unloads", {}, partBodies().at(unloadId)),
    };
    return checks;
}

CheckContext prepareContext(const std::string& id, const CheckInput& input) {
    CheckContext context;
    context.input = input;
    context.driveTypes = readDriveTypes(input);
    if (const auto probe =
            readFramedDocument(handedOn(input, handedOnProbeDriveType), input.channelKey)) {
        context.probeDriveType = probe->get<std::string>();
    } else if (!context.driveTypes.empty()) {
        context.probeDriveType = context.driveTypes.front();
    }
    if (id == reverseSnapshotId || id == againSnapshotId) {
        if (const auto snapshot =
                readFramedDocument(handedOn(input, handedOnSnapshot), input.channelKey)) {
            context.firstSnapshot = snapshotFromData(*snapshot);
        }
    }
    return context;
}

CheckOutcome runContractCheck(const std::string& id, const ExportTable& exports,
                              const CheckContext& context) {
    for (const ContractCheck& check : contractChecks()) {
        if (check.id == id && check.run) return check.run(exports, context);
    }
    const auto body = partBodies().find(id);
    if (body == partBodies().end()) {
        throw std::invalid_argument("no check named " + quote(id));
    }
    return body->second(exports, context);
}

}  // namespace host
