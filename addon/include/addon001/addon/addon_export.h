#pragma once

// Marks a plain function of an add-on module's export table. A module is built with hidden
// visibility (and, on ELF, a version script), so only functions marked here are exported.
#include "addon001/platform/symbol_export.h"

#define ADDON_EXPORT PLATFORM_SYMBOL_EXPORT
