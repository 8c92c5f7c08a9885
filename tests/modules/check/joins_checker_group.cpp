// Breaks the contract (POSIX): getVer moves its process into the process group of its parent,
// the checker, and never returns.
#include <unistd.h>

#include "sample_addon.h"

extern "C" ADDON_EXPORT int getVer() {
    setpgid(0, getpgid(getppid()));
    for (;;) pause();
}
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
