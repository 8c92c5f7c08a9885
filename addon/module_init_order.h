#pragma once

// Construction order of the module's static objects when it is loaded (lower first; every
// prioritised object is constructed before those without a priority, and destroyed after
// them). The class library's start-up step comes first, then the logging library's state,
// then the add-on's tables and profile strings; enrolment, where the entry glue does it from a
// static object, comes after all of them. Module code must not include <iostream>, whose
// hidden static would otherwise be constructed after enrolment.
#include "addon001/log/detail/init_priority.h"

#define MODULE_INIT_PRIORITY(n) __attribute__((init_priority(n)))

#define MODULE_INIT_STARTUP 101
#define MODULE_INIT_DRIVE_TABLES (ADDONLOG_INIT_PRIORITY + 100)
#define MODULE_INIT_PRODUCT_PROFILE (ADDONLOG_INIT_PRIORITY + 200)
#define MODULE_INIT_ENROLMENT 65000

static_assert(MODULE_INIT_STARTUP < ADDONLOG_INIT_PRIORITY,
              "the class library's start-up step must precede every static object");
static_assert(MODULE_INIT_PRODUCT_PROFILE < MODULE_INIT_ENROLMENT,
              "enrolment must follow every static object");
