#include "enrolment_faults.h"

#include <atomic>

#include "addon001/afx/module_state.h"

namespace {
std::atomic<int> failuresToInject{0};

bool takeInjectedFailure() {
    int remaining = failuresToInject.load();
    while (remaining > 0) {
        if (failuresToInject.compare_exchange_weak(remaining, remaining - 1)) return true;
    }
    return false;
}
}  // namespace

void AfxTestFailNextInitExtensionModule(int count) {
    failuresToInject.store(count);
}

BOOL AfxTestInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module) {
    if (!takeInjectedFailure()) return AfxInitExtensionModule(state, module);
    AFX_MODULE_STATE* moduleState = AfxGetModuleState();
    moduleState->m_classList.m_pHead = moduleState->m_pClassInit;
    moduleState->m_factoryList.m_pHead = moduleState->m_pFactoryInit;
    return FALSE;
}
