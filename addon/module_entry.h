#pragma once

#include "addon001/platform/windows_types.h"

// The load and unload hooks of a module, which the module itself defines. The
// entry glue (module_entry.cpp, linked into every module) runs the class library's start-up
// step before the module's static objects are constructed, calls moduleAttach once they all
// exist, and calls moduleDetach before they are destroyed again.
namespace addon {

// Enrols the module; false refuses the load, after which moduleDetach is called at once.
bool moduleAttach(HINSTANCE instance);

// Withdraws the module; must be harmless when moduleAttach failed.
void moduleDetach();

}  // namespace addon
