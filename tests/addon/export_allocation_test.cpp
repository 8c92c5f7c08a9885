// Allocation failures at every allocation point of every export, through the module loaded as
// the host loads it. The test program's allocation functions serve the module's allocations
// where the system resolves the module's operator new to the program's; where it does not, the
// sweep through the linked export functions (export_allocation_linked_test) stands in.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "export_allocation_sweep.h"
#include "loaded_addon.h"

namespace {

class LoadedModuleSource : public export_sweep::ExportSource {
public:
    export_sweep::Exports fresh() override {
        addon_.reset();  // unload first: the next load must start from the module's load state
        addon_ = std::make_unique<LoadedAddon>();
        const export_sweep::Exports exports(addon_->module());
        for (const std::string& name : host::expectedExportNames()) {
            EXPECT_TRUE(exports.has(name)) << "missing export " << name;
        }
        return exports;
    }

private:
    std::unique_ptr<LoadedAddon> addon_;
};

// True when the module's allocations pass through this program's allocation functions.
bool moduleAllocationsAreSeen(export_sweep::ExportSource& source) {
    const export_sweep::Exports exports = source.fresh();
    addon::DriveInfoSet driveInfos;
    long counted = 0;
    {
        failing_allocation::Scope counting(LONG_MAX);
        exports.getAsDIVector(&driveInfos);
        counted = failing_allocation::allocationsCounted();
    }
    return counted > 0;
}

TEST(ExportAllocationTest, EveryAllocationOfEveryExportFailsCleanlyThroughTheLoadedModule) {
    LoadedModuleSource source;
    if (!moduleAllocationsAreSeen(source)) {
        GTEST_SKIP() << "the module's allocations do not pass through this program's operator "
                        "new on this system; export_allocation_linked_test sweeps the exports";
    }
    EXPECT_GT(export_sweep::sweepEveryExport(source), 0);
}

}  // namespace
