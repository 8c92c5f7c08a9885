// A module that exports only the two version functions.
#include "addon001/addon/addon_export.h"

extern "C" {
ADDON_EXPORT int getVer() {
    return 100;
}
ADDON_EXPORT int getInterfaceVer() {
    return 120;
}
}
