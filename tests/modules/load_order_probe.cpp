// A module whose static object shows when it is constructed and destroyed relative to the
// class library's start-up step and the module's enrolment: it registers a class while it is
// constructed and notes how many modules are enrolled at construction and at destruction.
#include <string>

#include "addon001/afx/dyn_link_library.h"
#include "addon001/afx/module_state.h"
#include "module_init_order.h"
#include "test_notes.h"

namespace {
CRuntimeClass probeClass{"LoadOrderProbe", nullptr};

struct LoadOrderProbe {
    LoadOrderProbe() {
        AfxClassInit(&probeClass);
        AfxTestNote("constructed with " + std::to_string(AfxEnrolledModuleCount()) + " enrolled");
    }
    ~LoadOrderProbe() {
        AfxTestNote("destroyed with " + std::to_string(AfxEnrolledModuleCount()) + " enrolled");
    }
    LoadOrderProbe(const LoadOrderProbe&) = delete;
    LoadOrderProbe& operator=(const LoadOrderProbe&) = delete;
};

const LoadOrderProbe probe MODULE_INIT_PRIORITY(MODULE_INIT_DRIVE_TABLES);
}  // namespace
