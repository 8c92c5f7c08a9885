// The order in which a real module load and unload run the class library's start-up step, the
// module's static objects and its enrolment, observed through a module built for the test.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "addon001/afx/dyn_link_library.h"
#include "addon001/afx/module_state.h"
#include "built_files.h"
#include "enrolment_faults.h"
#include "module/module_loader.h"
#include "test_notes.h"

namespace {

bool listHoldsClass(CRuntimeClass* head, const std::string& name) {
    for (CRuntimeClass* entry = head; entry != nullptr; entry = entry->m_pNextClass) {
        if (name == entry->m_lpszClassName) return true;
    }
    return false;
}

class ModuleEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        AfxTestTakeNotes();
        enrolledBefore_ = AfxEnrolledModuleCount();
    }
    void TearDown() override { AfxTestFailNextInitExtensionModule(0); }

    std::string withEnrolled(const char* what, int enrolled) const {
        return std::string(what) + " with " + std::to_string(enrolled) + " enrolled";
    }

    int enrolledBefore_ = 0;
};

TEST_F(ModuleEntryTest, StaticsAreBuiltBetweenStartUpAndEnrolmentAndDestroyedAfterWithdrawal) {
    host::LoadedModule module(test_support::builtModule("LoadOrderProbe"));
    // Built before the module enrolled ...
    EXPECT_EQ(AfxTestTakeNotes(),
              std::vector<std::string>{withEnrolled("constructed", enrolledBefore_)});
    ASSERT_TRUE(AfxIsModuleEnrolled(module.instance()));
    // ... and after the start-up step: the class registered by the static object was gathered
    // apart and handed to the module's library, not left in the host's list.
    CDynLinkLibrary* library = AfxGetModuleState()->m_libraryList.GetHead();
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->m_hModule, module.instance());
    EXPECT_TRUE(listHoldsClass(library->m_classList.GetHead(), "LoadOrderProbe"));
    EXPECT_FALSE(listHoldsClass(AfxGetModuleState()->m_classList.GetHead(), "LoadOrderProbe"));

    module.unload();
    // Destroyed after the module was withdrawn.
    EXPECT_EQ(AfxTestTakeNotes(),
              std::vector<std::string>{withEnrolled("destroyed", enrolledBefore_)});
    EXPECT_EQ(AfxEnrolledModuleCount(), enrolledBefore_);
}

TEST_F(ModuleEntryTest, ThreadsStartingAndEndingWhileLoadedLeaveTheModuleAsItWas) {
    host::LoadedModule module(test_support::builtModule("LoadOrderProbe"));
    AfxTestTakeNotes();
    // Where the system tells a loaded module about every thread that starts and ends, those
    // notifications must neither enrol the module again nor withdraw it.
    std::thread([] {}).join();
    std::thread([] {}).join();
    EXPECT_TRUE(AfxIsModuleEnrolled(module.instance()));
    EXPECT_EQ(AfxEnrolledModuleCount(), enrolledBefore_ + 1);
    EXPECT_TRUE(AfxTestTakeNotes().empty());

    module.unload();
    EXPECT_EQ(AfxEnrolledModuleCount(), enrolledBefore_);
}

TEST_F(ModuleEntryTest, RefusedLoadDestroysTheStaticsOnceAndLeavesTheHostListsAlone) {
    AfxTestFailNextInitExtensionModule(1);
    try {
        host::LoadedModule module(test_support::builtModule("LoadOrderProbe"));
        ADD_FAILURE() << "the load should have been refused";
    } catch (const host::ModuleLoadError& error) {
        EXPECT_EQ(error.failure(), host::LoadFailure::Refused) << error.what();
    }
    EXPECT_EQ(AfxTestTakeNotes(),
              (std::vector<std::string>{withEnrolled("constructed", enrolledBefore_),
                                        withEnrolled("destroyed", enrolledBefore_)}));
    EXPECT_EQ(AfxEnrolledModuleCount(), enrolledBefore_);
    EXPECT_FALSE(listHoldsClass(AfxGetModuleState()->m_classList.GetHead(), "LoadOrderProbe"));

    // Nothing of the refusal lingers: the next load goes through.
    host::LoadedModule module(test_support::builtModule("LoadOrderProbe"));
    EXPECT_TRUE(AfxIsModuleEnrolled(module.instance()));
}

}  // namespace
