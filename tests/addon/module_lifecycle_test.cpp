// Loading and unloading the module: enrolment with the class library and refused loads.
#include <gtest/gtest.h>

#include "addon001/afx/dyn_link_library.h"
#include "enrolment_faults.h"
#include "loaded_addon.h"

namespace {

std::string featureVersion(const host::LoadedModule& module, const std::string& code) {
    auto* getFeaturesAndVersions =
        module.find<addon::GetFeaturesAndVersionsFunction>(addon::getFeaturesAndVersionsName);
    addon::FeatureMap features;
    if (getFeaturesAndVersions == nullptr || getFeaturesAndVersions(&code, &features) != 0) {
        return "";
    }
    return features["SENSORLESS_PUMPDATA"];
}

TEST(ModuleLifecycleTest, EnrolledWhileLoadedAndWithdrawnAfterEachUnload) {
    const int before = AfxEnrolledModuleCount();
    for (int round = 0; round < 3; ++round) {
        LoadedAddon addon;
        const HINSTANCE instance = addon.module().instance();
        ASSERT_NE(instance, nullptr);
        EXPECT_TRUE(AfxIsModuleEnrolled(instance));
        EXPECT_EQ(AfxEnrolledModuleCount(), before + 1);
        EXPECT_FALSE(AfxGetModuleState()->m_libraryList.GetHead()->m_bSystem);
        // Each load builds its feature table afresh and answers the same.
        EXPECT_EQ(featureVersion(addon.module(), "KPR140"), "04.01");

        addon.module().unload();
        EXPECT_FALSE(AfxIsModuleEnrolled(instance));
        EXPECT_EQ(AfxEnrolledModuleCount(), before);
    }
}

TEST(ModuleLifecycleTest, FailedEnrolmentRefusesTheLoadAndLeavesNothingEnrolled) {
    const int before = AfxEnrolledModuleCount();
    // The add-on built with its enrolment refused once, by its own static object.
    try {
        host::LoadedModule module(test_support::builtModule("RefusingAddon"));
        ADD_FAILURE() << "the load should have been refused";
    } catch (const host::ModuleLoadError& error) {
        EXPECT_EQ(error.failure(), host::LoadFailure::Refused) << error.what();
    }
    AfxTestFailNextInitExtensionModule(0);
    EXPECT_EQ(AfxEnrolledModuleCount(), before);

    // The refusal is not remembered: the next load enrols normally.
    LoadedAddon addon;
    EXPECT_TRUE(AfxIsModuleEnrolled(addon.module().instance()));
}

}  // namespace
