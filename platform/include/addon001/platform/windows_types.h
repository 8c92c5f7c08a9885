#pragma once

// The handful of Windows base types that the class-library interfaces are written in.
#if defined(_WIN32)
#include <windows.h>
#else
using BOOL = int;
using HINSTANCE = void*;
using HMODULE = void*;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#endif
