#include "addon001/platform/fork_handlers.h"

namespace platform {

void onFork(void (*)(), void (*)(), void (*)()) {}

}  // namespace platform
