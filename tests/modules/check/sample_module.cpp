// The sample add-on as it is: keeps the whole contract.
#include "sample_addon.h"

SAMPLE_EXPORT_EVERY_FUNCTION
