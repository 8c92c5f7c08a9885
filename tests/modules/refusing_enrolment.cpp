// Arms the test fault switch, through which this module enrols, while the module's static
// objects are constructed, so that the enrolment which follows them fails and the load is
// refused.
#include "enrolment_faults.h"
#include "module_init_order.h"

namespace {
struct ArmEnrolmentFailure {
    ArmEnrolmentFailure() { AfxTestFailNextInitExtensionModule(1); }
};
const ArmEnrolmentFailure armEnrolmentFailure MODULE_INIT_PRIORITY(MODULE_INIT_PRODUCT_PROFILE + 1);
}  // namespace
