#pragma once

// Marks the functions and classes that the class-library layer's shared library exports.
// Host and add-on both link that one library, so they share one module state and one
// CString implementation.
#include "addon001/platform/symbol_export.h"

#if defined(AFXLAYER_BUILDING)
#define AFX_API PLATFORM_SYMBOL_EXPORT
#else
#define AFX_API PLATFORM_SYMBOL_IMPORT
#endif
