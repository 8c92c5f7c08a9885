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

SAMPLE_EXPORT_EVERY_FUNCTION
