#pragma once

// Marks what the test-only class-library helpers export. They are a shared library of their
// own, so that a test program and the modules it loads share one journal and one fault switch.
#include "addon001/platform/symbol_export.h"

#if defined(AFX_TESTING_BUILDING)
#define AFX_TESTING_API PLATFORM_SYMBOL_EXPORT
#else
#define AFX_TESTING_API PLATFORM_SYMBOL_IMPORT
#endif
