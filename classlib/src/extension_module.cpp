#include "addon001/afx/extension_module.h"

#include "addon001/afx/dyn_link_library.h"

void AfxExtensionModuleStartup() {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    state->m_pClassInit = state->m_classList.m_pHead;
    state->m_pFactoryInit = state->m_factoryList.m_pHead;
    state->m_classList.m_pHead = nullptr;
    state->m_factoryList.m_pHead = nullptr;
}

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module) {
    AFX_MODULE_STATE* moduleState = AfxGetModuleState();
    if (state.bInitialized) return TRUE;
    state.bInitialized = TRUE;
    state.hModule = module;
    state.hResource = module;
    state.pFirstSharedClass = moduleState->m_classList.m_pHead;
    moduleState->m_classList.m_pHead = moduleState->m_pClassInit;
    state.pFirstSharedFactory = moduleState->m_factoryList.m_pHead;
    moduleState->m_factoryList.m_pHead = moduleState->m_pFactoryInit;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all) {
    if (!state.bInitialized) return;
    afx_detail::withdrawLibraries(state.hModule, all != FALSE);
    state = AFX_EXTENSION_MODULE{};
}
