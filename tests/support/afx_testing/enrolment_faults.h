#pragma once

#include "addon001/afx/extension_module.h"
#include "afx_testing_api.h"

// Refused enrolments on demand. Modules built for the tests enrol through
// AfxTestInitExtensionModule instead of AfxInitExtensionModule (see enrol_through_faults.h);
// the class library itself knows nothing of it.

// The next `count` enrolments made through AfxTestInitExtensionModule are refused.
AFX_TESTING_API void AfxTestFailNextInitExtensionModule(int count);

// AfxInitExtensionModule, unless a refusal is pending: then the host's class and factory lists
// are given back as a failed enrolment leaves them, the module's registrations are dropped,
// and the result is FALSE.
AFX_TESTING_API BOOL AfxTestInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);
