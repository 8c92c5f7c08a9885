#include "check.h"

#include <optional>
#include <set>

#include "answer_formats.h"
#include "answer_snapshot.h"
#include "export_table.h"
#include "module_loader.h"
#include "null_pointer_probe.h"
#include "quote.h"

namespace host {

namespace {

struct Outcome {
    bool passed;
    std::string seen;
};

Outcome passed(const std::string& seen) {
    return Outcome{true, seen};
}
Outcome failed(const std::string& seen) {
    return Outcome{false, seen};
}

// Writes one line per check and remembers whether any failed.
class CheckLines {
public:
    explicit CheckLines(std::ostream& out) : out_(out) {}

    // Runs one check; an exception from the module fails it with what was thrown.
    template <class Check>
    void run(const std::string& what, Check check) {
        Outcome outcome{false, std::string()};
        try {
            outcome = check();
        } catch (...) {
            outcome = failed(describeThrown());
        }
        write(outcome.passed ? "PASS " : "FAIL ", what, outcome.seen);
        anyFailed_ = anyFailed_ || !outcome.passed;
    }

    // A check that cannot run because an export it needs is missing (itself a failed check).
    void skip(const std::string& what, const std::string& missingExport) {
        write("SKIP ", what, "needs " + missingExport + ", which is missing");
    }

    bool anyFailed() const { return anyFailed_; }

private:
    void write(const char* verdict, const std::string& what, const std::string& seen) {
        out_ << verdict << what;
        if (!seen.empty()) out_ << " (" << seen << ")";
        out_ << std::endl;  // flushed: probe processes may write to the same stream
    }

    std::ostream& out_;
    bool anyFailed_ = false;
};

// Containers as a host might hand them over: holding something from an earlier use.
const std::string staleDriveInfo = "stale entry the host put there";
const std::string staleFeature = "stale feature the host put there";
const std::string staleFeatureName = "stale name the host put there";
const std::string staleIdentity = "stale identity the host put there";

// Drive types asked besides the catalogue's: the empty code and one no module knows.
const std::vector<std::string> probeDriveTypes = {"", "no such drive type"};

// The name of the first export in `names` that the module lacks, if any.
std::optional<std::string> firstMissing(const ExportTable& exports,
                                        const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (!exports.has(name)) return name;
    }
    return std::nullopt;
}

// A failure naming what the first call of an export threw, when it threw.
std::optional<Outcome> firstCallThrew(const AnswerSnapshot& first, const std::string& exportName) {
    const auto thrown = first.thrown.find(exportName);
    if (thrown == first.thrown.end()) return std::nullopt;
    return failed("the first call " + thrown->second);
}

Outcome sameEveryCall(const std::vector<int>& answers) {
    for (int answer : answers) {
        if (answer != answers.front()) {
            return failed(std::to_string(answers.front()) + ", then " + std::to_string(answer));
        }
    }
    return passed(std::to_string(answers.front()));
}

Outcome identityIsStable(const ExportTable& exports, const AnswerSnapshot& first) {
    if (const auto threw = firstCallThrew(first, addon::getFeatureName)) return *threw;
    CString stale(staleIdentity.c_str());
    const int result = exports.getFeature(&stale);
    CString fresh;
    const int freshResult = exports.getFeature(&fresh);
    for (int seen : {first.identityResult, result, freshResult}) {
        if (seen != addon::resultOk) return failed("result " + std::to_string(seen));
    }
    if (first.identity.empty()) return failed("an empty identity");
    for (const CString* seen : {&stale, &fresh}) {
        if (seen->GetString() != first.identity) {
            return failed(quote(first.identity) + ", then " + quote(seen->GetString()));
        }
    }
    return passed(quote(first.identity));
}

Outcome catalogueEmptiesSet(const ExportTable& exports) {
    addon::DriveInfoSet driveInfos = {staleDriveInfo};
    const int result = exports.getAsDIVector(&driveInfos);
    if (result != addon::resultOk) return failed("result " + std::to_string(result));
    if (driveInfos.count(staleDriveInfo) != 0) {
        return failed("the host's " + quote(staleDriveInfo) + " was still there");
    }
    return passed("result 0, " + std::to_string(driveInfos.size()) + " strings");
}

Outcome catalogueIsWellFormed(const ExportTable& exports) {
    addon::DriveInfoSet driveInfos;
    exports.getAsDIVector(&driveInfos);
    if (driveInfos.empty()) return failed("no drive-info string at all");
    for (const std::string& driveInfo : driveInfos) {
        if (const auto problem = driveInfoProblem(driveInfo)) return failed(*problem);
    }
    return passed(std::to_string(driveInfos.size()) + " strings, first " +
                  quote(*driveInfos.begin()));
}

Outcome featuresEmptyMap(const ExportTable& exports, const std::vector<std::string>& driveTypes) {
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

Outcome featuresResultMatchesMap(const ExportTable& exports,
                                 const std::vector<std::string>& driveTypes) {
    std::size_t withFeatures = 0;
    for (const std::string& driveType : driveTypes) {
        addon::FeatureMap features;
        const int result = exports.getFeaturesAndVersions(&driveType, &features);
        const bool sound = (result == addon::resultOk && !features.empty()) ||
                           (result == addon::resultNone && features.empty());
        if (!sound) {
            return failed(quote(driveType) + ": result " + std::to_string(result) + " with " +
                          describeMap(features));
        }
        if (result == addon::resultOk) ++withFeatures;
    }
    return passed(std::to_string(withFeatures) + " of " + std::to_string(driveTypes.size()) +
                  " drive types have features");
}

Outcome versionTextsAreWellFormed(const ExportTable& exports,
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

Outcome featureNamesOnlyAdd(const ExportTable& exports,
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

Outcome featureNamesResultMatches(const ExportTable& exports,
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

Outcome featureNamesMatchMap(const ExportTable& exports,
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

Outcome snapshotsAgree(const AnswerSnapshot& first, const AnswerSnapshot& second) {
    const std::string difference = firstDifference(first, second);
    if (!difference.empty()) return failed(difference);
    return passed(std::string());
}

// A drive type for the probes that pass a real drive type with a null container: one with
// features, where a module writes into the container, else the first one asked.
std::string probeDriveType(const AnswerSnapshot& first) {
    for (const std::string& driveType : first.driveTypes) {
        const auto answers = first.features.find(driveType);
        if (answers != first.features.end() && !answers->second.features.empty()) {
            return driveType;
        }
    }
    return first.driveTypes.empty() ? std::string() : first.driveTypes.front();
}

Outcome nullPointerProbe(const CheckOptions& options, const std::filesystem::path& module,
                         const NullPointerProbe& probe, const std::string& driveType) {
    const int exitCode = startNullPointerProbe(options.probeProgram, module, probe, driveType);
    switch (exitCode) {
        case probeReturned:
            return passed("returned");
        case probeThrew:
            return failed("threw an exception");
        case probeUnusable:
            return failed("the probe process could not load the module or find the export");
        case -1:
            return failed("the probe process crashed");
        default:
            // Where a crash ends a process with an exit code of its own (Windows).
            return failed("the probe process did not return normally: exit code " +
                          std::to_string(exitCode));
    }
}

}  // namespace

int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& errors) {
    // The probe processes start elsewhere; they must find the same file.
    std::error_code ignored;
    const std::filesystem::path module = std::filesystem::absolute(options.module, ignored);
    std::optional<LoadedModule> loaded;
    try {
        loaded.emplace(module);
    } catch (const ModuleLoadError& error) {
        out << "FAIL the module loads (" << error.what() << ")" << std::endl;
        errors << "addon-host: " << options.module.string() << ": " << error.what() << '\n';
        return checkUnloadable;
    }
    ExportTable exports(*loaded);
    CheckLines lines(out);

    // The first calls after the load, in the host's usual order; later rounds are held to them.
    std::vector<std::string> driveTypes = options.extraDriveTypes;
    driveTypes.insert(driveTypes.end(), probeDriveTypes.begin(), probeDriveTypes.end());
    const AnswerSnapshot first = takeSnapshot(exports, driveTypes, CallOrder::Forward);

    for (const std::string& name : expectedExportNames()) {
        lines.run("export " + name + " is present", [&] {
            return exports.has(name) ? passed(std::string()) : failed("not exported");
        });
    }

    // Runs `check` when the module has every export in `needs`, else says why it cannot.
    const auto checkWith = [&](const std::vector<std::string>& needs, const std::string& what,
                               const auto& check) {
        if (const auto missing = firstMissing(exports, needs)) {
            lines.skip(what, *missing);
        } else {
            lines.run(what, check);
        }
    };

    checkWith({addon::getVerName}, "getVer gives the same answer on every call", [&] {
        if (const auto threw = firstCallThrew(first, addon::getVerName)) return *threw;
        return sameEveryCall({first.version, exports.getVer(), exports.getVer()});
    });
    checkWith(
        {addon::getInterfaceVerName}, "getInterfaceVer gives the same answer on every call", [&] {
            if (const auto threw = firstCallThrew(first, addon::getInterfaceVerName)) return *threw;
            return sameEveryCall(
                {first.interfaceVersion, exports.getInterfaceVer(), exports.getInterfaceVer()});
        });
    checkWith({addon::getFeatureName},
              "getFeature returns 0 and sets the same identity on every call, replacing the "
              "string's text",
              [&] { return identityIsStable(exports, first); });
    checkWith({addon::getAsDIVectorName}, "getAsDIVector returns 0 and empties the host's set",
              [&] { return catalogueEmptiesSet(exports); });
    checkWith({addon::getAsDIVectorName},
              "getAsDIVector fills the set with well-formed drive-info strings",
              [&] { return catalogueIsWellFormed(exports); });
    checkWith({addon::getFeaturesAndVersionsName}, "getFeaturesAndVersions empties the host's map",
              [&] { return featuresEmptyMap(exports, first.driveTypes); });
    checkWith({addon::getFeaturesAndVersionsName},
              "getFeaturesAndVersions gives 0 with a non-empty map or -1 with an empty one",
              [&] { return featuresResultMatchesMap(exports, first.driveTypes); });
    checkWith({addon::getFeaturesAndVersionsName},
              "getFeaturesAndVersions gives version texts of two digits, a point, two digits",
              [&] { return versionTextsAreWellFormed(exports, first.driveTypes); });
    checkWith({addon::getAsFIVectorName}, "getAsFIVector only adds to the host's set",
              [&] { return featureNamesOnlyAdd(exports, first.driveTypes); });
    checkWith({addon::getAsFIVectorName, addon::getFeaturesAndVersionsName},
              "getAsFIVector returns what getFeaturesAndVersions returns",
              [&] { return featureNamesResultMatches(exports, first.driveTypes); });
    checkWith({addon::getAsFIVectorName, addon::getFeaturesAndVersionsName},
              "getAsFIVector adds exactly the feature names of getFeaturesAndVersions",
              [&] { return featureNamesMatchMap(exports, first.driveTypes); });

    checkWith({}, "repeated calls give identical answers", [&] {
        return snapshotsAgree(first, takeSnapshot(exports, driveTypes, CallOrder::Forward));
    });
    // A fresh load asked the other way round, so that no answer depends on an earlier call.
    checkWith({}, "answers do not depend on call order, asked again after a fresh load", [&] {
        loaded.reset();
        loaded.emplace(module);
        exports = ExportTable(*loaded);
        return snapshotsAgree(first, takeSnapshot(exports, first.driveTypes, CallOrder::Reverse));
    });

    if (!options.probeProgram.empty()) {
        const std::string driveType = probeDriveType(first);
        for (const NullPointerProbe& probe : nullPointerProbes()) {
            checkWith({probe.exportName}, probe.description + " does not crash",
                      [&] { return nullPointerProbe(options, module, probe, driveType); });
        }
    }
    return lines.anyFailed() ? checkFailed : checkPassed;
}

}  // namespace host
