#pragma once

// Marks a plain function of an add-on module's export table. The module is built with hidden
// visibility (and, on ELF, a version script), so only functions marked here are exported.
#if defined(_WIN32)
#define ADDON_EXPORT __declspec(dllexport)
#else
#define ADDON_EXPORT __attribute__((visibility("default")))
#endif
