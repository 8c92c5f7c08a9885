#pragma once

#include "addon001/platform/windows_types.h"
#include "afx_api.h"
#include "extension_module.h"
#include "module_state.h"

// An extension module's place in the host's chain of class-library modules. Created on the
// heap at load; from then on it belongs to the class library, which deletes it when the
// module is withdrawn.
class AFX_API CDynLinkLibrary {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system = FALSE);
    virtual ~CDynLinkLibrary();

    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

    HMODULE m_hModule;
    HMODULE m_hResource;
    CTypedSimpleList<CRuntimeClass> m_classList;
    CTypedSimpleList<COleObjectFactory> m_factoryList;
    BOOL m_bSystem;
    CDynLinkLibrary* m_pNextDLL;
};

// True while a CDynLinkLibrary for `module` is in the chain.
AFX_API bool AfxIsModuleEnrolled(HMODULE module);

// How many modules the chain holds.
AFX_API int AfxEnrolledModuleCount();

namespace afx_detail {
// Deletes the chained libraries of `module` (all of them when `all`); used at withdrawal.
void withdrawLibraries(HMODULE module, bool all);
}  // namespace afx_detail
