#pragma once

// Fails every allocation of every export in turn and checks that each failure ends in the
// exception the interface promises, with the host's container in the promised state, and that
// the export answers correctly afterwards. Shared by the sweep through the loaded module and the
// sweep through the export functions linked into a test program.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <new>
#include <string>

#include "addon001/addon/addon_interface.h"
#include "addon001/afx/cstring.h"
#include "allocation_outcome.h"
#include "failing_allocation.h"
#include "module/export_table.h"

namespace export_sweep {

// The six exports, wherever they come from: looked up in a loaded module, or linked in.
using Exports = host::ExportTable;

// Where the exports come from. `fresh` gives them from a module in the state it has right after
// loading (tables not yet built), or, where that cannot be had, as they are.
class ExportSource {
public:
    virtual ~ExportSource() = default;
    virtual Exports fresh() = 0;
};

using allocation_outcome::nameOf;
using allocation_outcome::Outcome;
using allocation_outcome::runFailing;

// One export under test: `prepare` sets up the host's containers (outside the failing window),
// `call` makes the call, `checkFailed` checks the host's containers after a failed call and
// `checkAnswer` checks a complete answer.
struct Case {
    std::string name;
    std::function<void(const Exports&)> prepare;
    std::function<int(const Exports&)> call;
    std::function<void(Outcome)> checkFailed;
    std::function<void(int)> checkAnswer;
};

struct Figures {
    long failuresInjected = 0;
};

// Fails allocation 1, 2, ... of the case's call until a call completes without reaching the
// failing allocation. Each round starts from `exportsFor()`; after every failure the same
// exports must answer correctly at once.
inline long sweepCase(const Case& testCase, const std::function<Exports()>& exportsFor) {
    long failures = 0;
    for (long number = 1;; ++number) {
        const Exports exports = exportsFor();
        testCase.prepare(exports);
        int result = 0;
        const Outcome outcome = runFailing(number, [&] { result = testCase.call(exports); });
        if (outcome == Outcome::Completed) {
            EXPECT_FALSE(failing_allocation::failedYet()) << testCase.name;
            testCase.checkAnswer(result);
            break;
        }
        ++failures;
        SCOPED_TRACE(testCase.name + ", allocation " + std::to_string(number) + " failed");
        testCase.checkFailed(outcome);
        // The module answers correctly afterwards.
        testCase.prepare(exports);
        testCase.checkAnswer(testCase.call(exports));
        if (number > 100000 || ::testing::Test::HasFatalFailure()) {
            ADD_FAILURE() << testCase.name << " never completed";
            break;
        }
    }
    return failures;
}

// The cases: every export, the feature exports both for a listed and an unlisted drive type.
inline std::vector<Case> everyExport() {
    static CString identity;
    static addon::DriveInfoSet driveInfos;
    static addon::FeatureMap features;
    static addon::FeatureSet names;
    static const std::string listed = "HX-140";
    static const std::string unlisted = "HX-027";
    static const addon::DriveInfoSet twelveDriveInfos = {
        "D=HX 27",  "D=HX-027", "D=HX-140", "D=HX-240", "D=HX-360", "D=HX-370",
        "D=HXD370", "D=LQ-370", "D=RB-510", "D=RB-530", "D=RB-560", "D=RBV560"};
    static const std::vector<std::string> catalogueOrder = {
        "D=HX-027", "D=HX 27",  "D=HX-140", "D=HX-240", "D=HX-360", "D=HX-370",
        "D=HXD370", "D=RB-510", "D=RB-530", "D=RB-560", "D=RBV560", "D=LQ-370"};

    const auto cannotFail = [](Outcome outcome) {
        ADD_FAILURE() << "this export cannot fail, but ended in " << nameOf(outcome);
    };
    const auto expectBadAlloc = [](Outcome outcome) { EXPECT_EQ(outcome, Outcome::BadAlloc); };

    std::vector<Case> cases;
    cases.push_back({"getVer", [](const Exports&) {}, [](const Exports& e) { return e.getVer(); },
                     cannotFail, [](int result) { EXPECT_EQ(result, 100); }});
    cases.push_back({"getInterfaceVer", [](const Exports&) {},
                     [](const Exports& e) { return e.getInterfaceVer(); }, cannotFail,
                     [](int result) { EXPECT_EQ(result, 120); }});
    cases.push_back({"getFeature",
                     [](const Exports&) { identity = "a previous text longer than the identity"; },
                     [](const Exports& e) { return e.getFeature(&identity); }, expectBadAlloc,
                     [](int result) {
                         EXPECT_EQ(result, 0);
                         EXPECT_STREQ(identity.GetString(), "addon001");
                     }});
    cases.push_back(
        {"getAsDIVector",
         [](const Exports&) {
             driveInfos = {"D=OLD", "zzz"};
         },
         [](const Exports& e) { return e.getAsDIVector(&driveInfos); },
         [](Outcome outcome) {
             EXPECT_TRUE(outcome == Outcome::BadAlloc || outcome == Outcome::FailureText)
                 << nameOf(outcome);
             // The set was emptied, then holds the codes handled before the failure.
             std::size_t handled = 0;
             while (handled < catalogueOrder.size() &&
                    driveInfos.count(catalogueOrder[handled]) == 1) {
                 ++handled;
             }
             EXPECT_EQ(driveInfos.size(), handled);
             EXPECT_LT(handled, catalogueOrder.size());
         },
         [](int result) {
             EXPECT_EQ(result, 0);
             EXPECT_EQ(driveInfos, twelveDriveInfos);
         }});
    for (const std::string* driveType : {&listed, &unlisted}) {
        const bool isListed = driveType == &listed;
        cases.push_back({"getFeaturesAndVersions(" + *driveType + ")",
                         [](const Exports&) {
                             features = {{"OLD_FEATURE", "01.00"}};
                         },
                         [driveType](const Exports& e) {
                             return e.getFeaturesAndVersions(driveType, &features);
                         },
                         [](Outcome outcome) {
                             EXPECT_EQ(outcome, Outcome::BadAlloc);
                             EXPECT_TRUE(features.empty())
                                 << "the map is emptied before anything can fail";
                         },
                         [isListed](int result) {
                             EXPECT_EQ(result, isListed ? 0 : -1);
                             const addon::FeatureMap expected =
                                 isListed ? addon::FeatureMap{{"SENSORLESS_PUMPDATA", "03.10"}}
                                          : addon::FeatureMap{};
                             EXPECT_EQ(features, expected);
                         }});
        cases.push_back(
            {"getAsFIVector(" + *driveType + ")", [](const Exports&) { names = {"OTHER_FEATURE"}; },
             [driveType](const Exports& e) { return e.getAsFIVector(driveType, &names); },
             [](Outcome outcome) {
                 EXPECT_EQ(outcome, Outcome::BadAlloc);
                 EXPECT_EQ(names, addon::FeatureSet{"OTHER_FEATURE"});
             },
             [isListed](int result) {
                 EXPECT_EQ(result, isListed ? 0 : -1);
                 const addon::FeatureSet expected =
                     isListed ? addon::FeatureSet{"OTHER_FEATURE", "SENSORLESS_PUMPDATA"}
                              : addon::FeatureSet{"OTHER_FEATURE"};
                 EXPECT_EQ(names, expected);
             }});
    }
    return cases;
}

// Sweeps every case twice: from a freshly loaded module, so that the first call's building of
// the tables fails at each of its allocations, and then from a module whose tables are built.
// Prints the figures; returns the number of failures injected.
inline long sweepEveryExport(ExportSource& source) {
    long total = 0;
    for (const Case& testCase : everyExport()) {
        const long first = sweepCase(testCase, [&] { return source.fresh(); });
        Exports warm = source.fresh();
        testCase.prepare(warm);
        testCase.call(warm);
        const long later = sweepCase(testCase, [&] { return warm; });
        std::printf("allocation sweep: %-30s %3ld failures on the first call, %3ld later\n",
                    testCase.name.c_str(), first, later);
        total += first + later;
    }
    std::printf("allocation sweep: %ld allocation failures injected in all\n", total);
    return total;
}

}  // namespace export_sweep
