#pragma once

#include "addon001/platform/windows_types.h"
#include "afx_api.h"
#include "module_state.h"

// One per extension module: all zero before load, filled by AfxInitExtensionModule and
// released by AfxTermExtensionModule.
struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
    CRuntimeClass* pFirstSharedClass;
    COleObjectFactory* pFirstSharedFactory;
};

// The start-up step an extension module runs before any of its static objects exists: the
// host's class and factory list heads are parked in the init slots and both lists are
// emptied, so that whatever the module's static constructors register is gathered apart.
AFX_API void AfxExtensionModuleStartup();

// Takes over what the module registered during static construction into the record and
// gives the host its lists back. Returns FALSE when the module must not be loaded.
AFX_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);

// Withdraws the module's CDynLinkLibrary from the chain (every extension module's when
// `all` is TRUE). Does nothing for a record that was never initialised.
AFX_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all = FALSE);
