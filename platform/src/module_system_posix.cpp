#include <dlfcn.h>
#include <link.h>

#include "addon001/platform/module_system.h"

namespace platform {

HINSTANCE instanceOf(boost::dll::shared_library::native_handle_t library) {
    // The base address of the module's mapping, which the module finds for itself with dladdr.
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return nullptr;
    Dl_info info{};
    if (dladdr(map->l_ld, &info) == 0) return nullptr;
    return info.dli_fbase;
}

bool refusedByEntryPoint(const boost::dll::fs::error_code&) {
    // A shared object's start-up cannot make dlopen fail; a refusal is recorded with the class
    // library instead, and the loader asks for it after the load.
    return false;
}

bool startUpThrew(const boost::dll::fs::error_code&) {
    // An exception from a shared object's constructor does not come back from dlopen at all:
    // it ends in std::terminate, or reaches the loader's caller, which says what it was.
    return false;
}

std::string loaderMessage(const boost::dll::fs::error_code& error,
                          const std::filesystem::path& file) {
    // Boost.DLL leaves the dynamic linker's report of the failed dlopen in place.
    const char* report = dlerror();
    if (report == nullptr || *report == '\0') return error.message();
    std::string message = report;
    // It starts with the path the host already names.
    const std::string prefix = file.string() + ": ";
    if (message.compare(0, prefix.size(), prefix) == 0) message.erase(0, prefix.size());
    return message;
}

}  // namespace platform
