// Breaks the contract: getVer never returns.
#include <chrono>
#include <thread>

#include "sample_addon.h"

extern "C" ADDON_EXPORT int getVer() {
    for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
