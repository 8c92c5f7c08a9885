#pragma once

// Construction order of a module's static objects when it is loaded (lower first; every
// prioritised object is constructed before those without a priority, and destroyed after
// them). The class library's start-up step comes first, then the log sink's state, then the
// add-on's tables and profile strings; enrolment, where the platform does it from a static
// object, comes after all of them. Module code must not include <iostream>, whose hidden
// static would otherwise be constructed after enrolment.
#define MODULE_INIT_PRIORITY(n) __attribute__((init_priority(n)))

#define MODULE_INIT_STARTUP 101
#define MODULE_INIT_LOG_SINK 201
#define MODULE_INIT_DRIVE_TABLES 301
#define MODULE_INIT_PRODUCT_PROFILE 401
#define MODULE_INIT_ENROLMENT 65000
