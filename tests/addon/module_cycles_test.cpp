// A thousand loads and unloads of the module in one process: every load enrols it and answers,
// every unload leaves the class library's chain exactly as it was before. Leaks of the module's
// tables or its enrolment show under LeakSanitizer (the asan preset) when the program ends.
#include <gtest/gtest.h>

#include <cstdio>

#include "addon001/afx/dyn_link_library.h"
#include "loaded_addon.h"

namespace {

// What a load and unload may touch of the class library's shared state.
struct ChainState {
    int enrolled;
    CDynLinkLibrary* firstLibrary;
    CRuntimeClass* firstClass;
    COleObjectFactory* firstFactory;

    bool operator==(const ChainState& other) const {
        return enrolled == other.enrolled && firstLibrary == other.firstLibrary &&
               firstClass == other.firstClass && firstFactory == other.firstFactory;
    }
};

ChainState chainState() {
    const AFX_MODULE_STATE* state = AfxGetModuleState();
    return {AfxEnrolledModuleCount(), state->m_libraryList.GetHead(), state->m_classList.GetHead(),
            state->m_factoryList.GetHead()};
}

// Calls every export once, so that both tables are built and must be freed at unload.
void useEveryExport(const LoadedAddon& addon) {
    EXPECT_EQ(addon.get<addon::GetVerFunction>(addon::getVerName)(), 100);
    EXPECT_EQ(addon.get<addon::GetInterfaceVerFunction>(addon::getInterfaceVerName)(), 120);
    CString identity;
    EXPECT_EQ(addon.get<addon::GetFeatureFunction>(addon::getFeatureName)(&identity), 0);
    EXPECT_STREQ(identity.GetString(), "addon001");
    addon::DriveInfoSet driveInfos;
    EXPECT_EQ(addon.get<addon::GetAsDIVectorFunction>(addon::getAsDIVectorName)(&driveInfos), 0);
    EXPECT_EQ(driveInfos.size(), 12u);
    const std::string driveType = "HX-240";
    addon::FeatureMap features;
    EXPECT_EQ(addon.get<addon::GetFeaturesAndVersionsFunction>(addon::getFeaturesAndVersionsName)(
                  &driveType, &features),
              0);
    EXPECT_EQ(features, (addon::FeatureMap{{"SENSORLESS_PUMPDATA", "02.15"}}));
    addon::FeatureSet names;
    EXPECT_EQ(addon.get<addon::GetAsFIVectorFunction>(addon::getAsFIVectorName)(&driveType, &names),
              0);
}

TEST(ModuleCyclesTest, AThousandLoadsAndUnloadsLeaveTheChainAsItWas) {
    constexpr int cycles = 1000;
    const ChainState before = chainState();
    int completed = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        LoadedAddon addon;
        const HINSTANCE instance = addon.module().instance();
        ASSERT_TRUE(AfxIsModuleEnrolled(instance)) << "cycle " << cycle;
        ASSERT_EQ(AfxEnrolledModuleCount(), before.enrolled + 1) << "cycle " << cycle;
        useEveryExport(addon);
        addon.module().unload();
        ASSERT_FALSE(AfxIsModuleEnrolled(instance)) << "cycle " << cycle;
        ASSERT_TRUE(chainState() == before) << "the chain differs after cycle " << cycle;
        if (HasFailure()) break;
        ++completed;
    }
    EXPECT_EQ(completed, cycles);
    std::printf("load cycles: %d loads and unloads, chain restored after each\n", completed);
}

}  // namespace
