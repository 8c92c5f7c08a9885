// getVer calls a function that no source or library defines.
#include <addon001/addon/addon_exports.h>

int definedNowhere();

int getVer() {
    return definedNowhere();
}
