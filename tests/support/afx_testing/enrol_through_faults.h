#pragma once

// Force-included (-include) into the modules built for the tests whose enrolment a test must be
// able to refuse: the add-on's own enrolment code then calls AfxTestInitExtensionModule, which
// refuses when told to and otherwise enrols as usual.
#include "addon001/afx/extension_module.h"
#include "enrolment_faults.h"

#define AfxInitExtensionModule AfxTestInitExtensionModule
