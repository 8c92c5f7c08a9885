#pragma once

// Addon001's export table: the six functions every add-on exports (getVer gives 100, the
// add-on's version; getInterfaceVer addon::interfaceVersion). Nothing else is exported.
#include "addon001/addon/addon_exports.h"
