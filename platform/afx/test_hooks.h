#pragma once

#include "afx_api.h"

// For tests only: the next `count` calls of AfxInitExtensionModule return FALSE, so that a
// refused enrolment can be provoked on demand.
AFX_API void AfxTestFailNextInitExtensionModule(int count);
