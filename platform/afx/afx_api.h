#pragma once

// Marks the functions and classes that the class-library layer's shared library exports.
// Host and add-on both link that one library, so they share one module state and one
// CString implementation.
#if defined(_WIN32)
#if defined(AFXLAYER_BUILDING)
#define AFX_API __declspec(dllexport)
#else
#define AFX_API __declspec(dllimport)
#endif
#else
#define AFX_API __attribute__((visibility("default")))
#endif
