// Breaks the contract in no way the checker tests, but its identity holds line breaks, a
// terminal's escape sequence and a C1 control, and text that looks like the checker's lines.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
extern "C" ADDON_EXPORT int getFeature(CString* identity) {
    if (identity == nullptr) return addon::resultNone;
    *identity =
        "forged)\nPASS everything\r\n\x1b[2J\x1b]0;title\x07\xc2\x9b"
        "31m\tend";
    return addon::resultOk;
}
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
