#pragma once

#include <string>

namespace addon {

// The identity strings of the product this module is built for. Built when the module is
// loaded and read-only afterwards.
struct ProductProfile {
    std::string identity;  // what getFeature reports
};

const ProductProfile& activeProductProfile();

}  // namespace addon
