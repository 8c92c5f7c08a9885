#include "addon001/afx/module_state.h"

namespace {
AFX_MODULE_STATE& processModuleState() {
    static AFX_MODULE_STATE state;
    return state;
}
}  // namespace

AFX_MODULE_STATE* AfxGetModuleState() {
    return &processModuleState();
}

void AfxClassInit(CRuntimeClass* runtimeClass) {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    runtimeClass->m_pNextClass = state->m_classList.m_pHead;
    state->m_classList.m_pHead = runtimeClass;
}

void AfxFactoryInit(COleObjectFactory* factory) {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    factory->m_pNextFactory = state->m_factoryList.m_pHead;
    state->m_factoryList.m_pHead = factory;
}
