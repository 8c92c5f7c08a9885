// Enrolment of the module with the host's class library while it is loaded.
#include "addon001/afx/dyn_link_library.h"
#include "addon001/afx/extension_module.h"
#include "module_entry.h"

namespace {
// All zero until the module enrols.
AFX_EXTENSION_MODULE addonExtensionModule = {};
}  // namespace

namespace addon {

bool moduleAttach(HINSTANCE instance) {
    if (!AfxInitExtensionModule(addonExtensionModule, instance)) return false;
    // The chain owns the library from here on and deletes it at withdrawal.
    new CDynLinkLibrary(addonExtensionModule, FALSE);
    return true;
}

void moduleDetach() {
    AfxTermExtensionModule(addonExtensionModule, FALSE);
}

}  // namespace addon
