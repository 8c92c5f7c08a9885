#pragma once

#include "addon001/platform/windows_types.h"
#include "afx_api.h"

class CDynLinkLibrary;

// A class registered with the class library; registration chains it at the head of the
// running module's class list.
struct CRuntimeClass {
    const char* m_lpszClassName;
    CRuntimeClass* m_pNextClass;
};

// An OLE object factory; only its place in the factory list matters here.
struct COleObjectFactory {
    COleObjectFactory* m_pNextFactory;
};

// A singly linked list known by its head; the elements carry their own next pointers.
template <class T>
struct CTypedSimpleList {
    T* m_pHead = nullptr;
    T* GetHead() const { return m_pHead; }
    bool IsEmpty() const { return m_pHead == nullptr; }
};

// The class library's per-process module state, shared by the host and every extension
// module it loads.
struct AFX_MODULE_STATE {
    CTypedSimpleList<CRuntimeClass> m_classList;
    CTypedSimpleList<COleObjectFactory> m_factoryList;
    // Where the start-up step of an extension module parks the host's list heads while the
    // module's static objects register their own classes and factories.
    CRuntimeClass* m_pClassInit = nullptr;
    COleObjectFactory* m_pFactoryInit = nullptr;
    // The chain of enrolled extension modules, most recently enrolled first.
    CTypedSimpleList<CDynLinkLibrary> m_libraryList;
};

AFX_API AFX_MODULE_STATE* AfxGetModuleState();

// Chains a class at the head of the running module's class list (what a static class
// registration does while a module is being constructed).
AFX_API void AfxClassInit(CRuntimeClass* runtimeClass);

// Chains a factory at the head of the running module's factory list.
AFX_API void AfxFactoryInit(COleObjectFactory* factory);
