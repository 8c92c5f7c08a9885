// Arms the class library's test switch while the module's static objects are constructed, so
// that the enrolment which follows them fails and the load is refused.
#include "afx/test_hooks.h"
#include "init_order.h"

namespace {
struct ArmEnrolmentFailure {
    ArmEnrolmentFailure() { AfxTestFailNextInitExtensionModule(1); }
};
const ArmEnrolmentFailure armEnrolmentFailure MODULE_INIT_PRIORITY(MODULE_INIT_PRODUCT_PROFILE + 1);
}  // namespace
