// Loading and unloading the module: enrolment with the class library and refused loads.
#include <gtest/gtest.h>

#include <fstream>

#include "afx/dyn_link_library.h"
#include "afx/test_hooks.h"
#include "loaded_addon.h"

namespace {

std::string featureVersion(const platform::LoadedModule& module, const std::string& code) {
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
    AfxTestFailNextInitExtensionModule(1);
    try {
        platform::LoadedModule module(test_support::builtModule("Addon001"));
        ADD_FAILURE() << "the load should have been refused";
    } catch (const platform::ModuleLoadError& error) {
        EXPECT_NE(error.failure(), platform::LoadFailure::MissingFile) << error.what();
    }
    AfxTestFailNextInitExtensionModule(0);
    EXPECT_EQ(AfxEnrolledModuleCount(), before);

    // The refusal is not remembered: the next load enrols normally.
    LoadedAddon addon;
    EXPECT_TRUE(AfxIsModuleEnrolled(addon.module().instance()));
}

TEST(ModuleLifecycleTest, LoadErrorsNameTheirKind) {
    try {
        platform::LoadedModule module(test_support::builtModule("NoSuchModule"));
        ADD_FAILURE() << "loaded a module that does not exist";
    } catch (const platform::ModuleLoadError& error) {
        EXPECT_EQ(error.failure(), platform::LoadFailure::MissingFile);
    }

    const auto folder = test_support::scratchFolder("not_a_module");
    const auto fake = folder / ("Fake" + platform::moduleSuffix());
    { std::ofstream(fake) << "this is text, not a module\n"; }
    try {
        platform::LoadedModule module(fake);
        ADD_FAILURE() << "loaded a text file";
    } catch (const platform::ModuleLoadError& error) {
        EXPECT_EQ(error.failure(), platform::LoadFailure::NotLoadable);
    }
}

}  // namespace
