#include "product_profile.h"

#include "module_init_order.h"

namespace addon {
namespace {
const ProductProfile addon001Profile MODULE_INIT_PRIORITY(MODULE_INIT_PRODUCT_PROFILE){
    "addon001",
};
}  // namespace

const ProductProfile& activeProductProfile() {
    return addon001Profile;
}

}  // namespace addon
