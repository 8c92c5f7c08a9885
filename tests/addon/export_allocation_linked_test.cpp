// Allocation failures at every allocation point of every export, through the export functions
// linked into this program, so that the sweep runs on every system (a loaded module's
// allocations reach the program's allocation functions only on some).
#include <gtest/gtest.h>

#include "export_allocation_sweep.h"
#include "exports.h"

namespace {

// The exports are linked in once, so every round starts from their current state; the first
// round of each case still finds the tables unbuilt, as this program calls nothing before.
class LinkedSource : public export_sweep::ExportSource {
public:
    export_sweep::Exports fresh() override {
        export_sweep::Exports exports;
        exports.getVer = &getVer;
        exports.getInterfaceVer = &getInterfaceVer;
        exports.getFeature = &getFeature;
        exports.getAsDIVector = &getAsDIVector;
        exports.getFeaturesAndVersions = &getFeaturesAndVersions;
        exports.getAsFIVector = &getAsFIVector;
        return exports;
    }
};

TEST(ExportAllocationLinkedTest, EveryAllocationOfEveryExportFailsCleanly) {
    LinkedSource source;
    EXPECT_GT(export_sweep::sweepEveryExport(source), 0);
}

}  // namespace
