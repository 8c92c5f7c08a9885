// The enrolment steps a module goes through, driven in-process on the shared module state.
#include <gtest/gtest.h>

#include "addon001/afx/dyn_link_library.h"
#include "addon001/afx/extension_module.h"
#include "addon001/afx/module_state.h"
#include "enrolment_faults.h"

namespace {

HMODULE fakeModule(int number) {
    return reinterpret_cast<HMODULE>(0x10000 * number);
}

class ExtensionModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        state_ = AfxGetModuleState();
        savedClasses_ = state_->m_classList.m_pHead;
        savedFactories_ = state_->m_factoryList.m_pHead;
        enrolledBefore_ = AfxEnrolledModuleCount();
    }
    void TearDown() override {
        AfxTestFailNextInitExtensionModule(0);
        state_->m_classList.m_pHead = savedClasses_;
        state_->m_factoryList.m_pHead = savedFactories_;
        EXPECT_EQ(AfxEnrolledModuleCount(), enrolledBefore_) << "a test left a module enrolled";
    }

    AFX_MODULE_STATE* state_ = nullptr;
    CRuntimeClass* savedClasses_ = nullptr;
    COleObjectFactory* savedFactories_ = nullptr;
    int enrolledBefore_ = 0;
};

TEST_F(ExtensionModuleTest, StaticRegistrationsDuringLoadGoToTheModuleNotTheHost) {
    CRuntimeClass hostClass{"HostClass", nullptr};
    COleObjectFactory hostFactory{nullptr};
    AfxClassInit(&hostClass);
    AfxFactoryInit(&hostFactory);

    // What happens while a module loads: start-up step, then its static registrations.
    AfxExtensionModuleStartup();
    EXPECT_EQ(state_->m_classList.GetHead(), nullptr);
    CRuntimeClass moduleClass{"ModuleClass", nullptr};
    COleObjectFactory moduleFactory{nullptr};
    AfxClassInit(&moduleClass);
    AfxFactoryInit(&moduleFactory);

    AFX_EXTENSION_MODULE record{};
    ASSERT_TRUE(AfxInitExtensionModule(record, fakeModule(1)));
    EXPECT_TRUE(record.bInitialized);
    EXPECT_EQ(record.pFirstSharedClass, &moduleClass);
    EXPECT_EQ(record.pFirstSharedFactory, &moduleFactory);
    // The host has its own lists back, without the module's entries.
    EXPECT_EQ(state_->m_classList.GetHead(), &hostClass);
    EXPECT_EQ(state_->m_factoryList.GetHead(), &hostFactory);

    auto* library = new CDynLinkLibrary(record);
    EXPECT_EQ(library->m_classList.GetHead(), &moduleClass);
    EXPECT_EQ(library->m_factoryList.GetHead(), &moduleFactory);
    EXPECT_FALSE(library->m_bSystem);
    EXPECT_TRUE(AfxIsModuleEnrolled(fakeModule(1)));

    AfxTermExtensionModule(record);
    EXPECT_FALSE(AfxIsModuleEnrolled(fakeModule(1)));
    EXPECT_FALSE(record.bInitialized);
}

TEST_F(ExtensionModuleTest, WithdrawalTakesOnlyTheOwnModuleUnlessAllAreAsked) {
    AFX_EXTENSION_MODULE first{};
    AFX_EXTENSION_MODULE second{};
    ASSERT_TRUE(AfxInitExtensionModule(first, fakeModule(2)));
    ASSERT_TRUE(AfxInitExtensionModule(second, fakeModule(3)));
    new CDynLinkLibrary(first);
    new CDynLinkLibrary(second);
    // The chain lists the newest enrolment first.
    EXPECT_EQ(state_->m_libraryList.GetHead()->m_hModule, fakeModule(3));
    EXPECT_EQ(AfxEnrolledModuleCount(), enrolledBefore_ + 2);

    AfxTermExtensionModule(first, FALSE);
    EXPECT_FALSE(AfxIsModuleEnrolled(fakeModule(2)));
    EXPECT_TRUE(AfxIsModuleEnrolled(fakeModule(3)));

    // Withdrawing a record twice, or one never initialised, changes nothing.
    AfxTermExtensionModule(first, FALSE);
    AFX_EXTENSION_MODULE never{};
    AfxTermExtensionModule(never, TRUE);
    EXPECT_TRUE(AfxIsModuleEnrolled(fakeModule(3)));

    AfxTermExtensionModule(second, FALSE);
    EXPECT_FALSE(AfxIsModuleEnrolled(fakeModule(3)));
}

// The test helpers' fault switch, through which modules built for the tests enrol.
TEST_F(ExtensionModuleTest, InjectedFailureRefusesExactlyTheRequestedNumberOfTimes) {
    CRuntimeClass hostClass{"HostClass", nullptr};
    AfxClassInit(&hostClass);
    AfxExtensionModuleStartup();
    CRuntimeClass moduleClass{"ModuleClass", nullptr};
    AfxClassInit(&moduleClass);

    AfxTestFailNextInitExtensionModule(2);
    AFX_EXTENSION_MODULE record{};
    EXPECT_FALSE(AfxTestInitExtensionModule(record, fakeModule(4)));
    EXPECT_FALSE(record.bInitialized);
    // A refusal gives the host its lists back, without the module's registrations.
    EXPECT_EQ(state_->m_classList.GetHead(), &hostClass);
    EXPECT_FALSE(AfxTestInitExtensionModule(record, fakeModule(4)));
    EXPECT_TRUE(AfxTestInitExtensionModule(record, fakeModule(4)));
    AfxTermExtensionModule(record);
}

}  // namespace
