// Breaks the contract: a static object's destructor writes through a null pointer when the
// module is unloaded. Every call answers correctly.
#include "sample_addon.h"

namespace {
int* volatile nowhere = nullptr;
struct TearDown {
    ~TearDown() { *nowhere = 1; }
};
const TearDown tearDown;
}  // namespace

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
