// Entry glue linked into every module: start-up step, enrolment and withdrawal in load order.
#include "module_entry.h"

#include "addon001/afx/extension_module.h"
#include "addon001/afx/load_refusal.h"
#include "module_init_order.h"

namespace {
// Runs before any static object of the module is constructed.
__attribute__((constructor(MODULE_INIT_STARTUP))) void extensionModuleStartup() {
    AfxExtensionModuleStartup();
}

bool attachWithoutThrowing(HINSTANCE instance) {
    try {
        return addon::moduleAttach(instance);
    } catch (...) {
        // An allocation failure while enrolling refuses the load rather than ending the host.
        return false;
    }
}
}  // namespace

#if defined(_WIN32)

// The C runtime's entry point constructs the static objects (in priority order, the start-up
// step first) before it calls DllMain, and destroys them after DllMain has seen the detach.
// When the attach returns FALSE, the runtime calls DllMain with the detach at once, destroys the
// static objects, and LoadLibrary fails with ERROR_DLL_INIT_FAILED. Thread notifications only
// report success.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            return attachWithoutThrowing(instance) ? TRUE : FALSE;
        case DLL_PROCESS_DETACH:
            addon::moduleDetach();
            return TRUE;
        default:
            return TRUE;
    }
}

#else

#include <dlfcn.h>

namespace {
// The module's instance handle: the address at which the system mapped it, which the host's
// loader can compute for the same module.
HINSTANCE thisModule() {
    static const char anchor = 0;
    Dl_info info{};
    if (dladdr(&anchor, &info) == 0) return nullptr;
    return info.dli_fbase;
}

// A shared object has no DllMain: enrolment rides on a static object constructed after all the
// module's others and destroyed before them. A refusal cannot make dlopen fail, so it is
// recorded with the class library, whose host-side loader unloads the module and reports it.
class Enrolment {
public:
    Enrolment() {
        HINSTANCE instance = thisModule();
        attached_ = attachWithoutThrowing(instance);
        if (!attached_) {
            addon::moduleDetach();
            AfxRecordRefusedLoad(instance);
        }
    }
    ~Enrolment() {
        if (attached_) addon::moduleDetach();
    }
    Enrolment(const Enrolment&) = delete;
    Enrolment& operator=(const Enrolment&) = delete;

private:
    bool attached_ = false;
};

Enrolment enrolment MODULE_INIT_PRIORITY(MODULE_INIT_ENROLMENT);
}  // namespace

#endif
