#pragma once

// How a shared library or module marks the functions and classes it exports, and how code that
// uses them declares them. Everything else stays hidden: the project builds with hidden
// visibility, and Windows exports only what is marked. PLATFORM_SYMBOL_LOCAL keeps a class
// nested in an exported one to the library (it would take the enclosing class's visibility).
#if defined(_WIN32)
#define PLATFORM_SYMBOL_EXPORT __declspec(dllexport)
#define PLATFORM_SYMBOL_IMPORT __declspec(dllimport)
#define PLATFORM_SYMBOL_LOCAL
#else
#define PLATFORM_SYMBOL_EXPORT __attribute__((visibility("default")))
#define PLATFORM_SYMBOL_IMPORT __attribute__((visibility("default")))
#define PLATFORM_SYMBOL_LOCAL __attribute__((visibility("hidden")))
#endif
