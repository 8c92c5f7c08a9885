#pragma once

#include "addon001/platform/windows_types.h"
#include "afx_api.h"

// Where the system loader cannot be told that a module refused its load (a shared object's
// constructors cannot make dlopen fail), the module records the refusal here and the host's
// loader, which asks right after loading, unloads it again and reports a failed load.
AFX_API void AfxRecordRefusedLoad(HMODULE module);

// True (and forgotten) when `module` refused its load since it was last asked about.
AFX_API bool AfxTakeRefusedLoad(HMODULE module);
