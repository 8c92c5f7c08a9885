#include "module_loader.h"

#include <system_error>

#define BOOST_DLL_USE_STD_FS
#include <boost/dll/runtime_symbol_info.hpp>
#include <boost/dll/shared_library.hpp>

#include "afx/load_refusal.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#include <link.h>
#endif

namespace platform {

struct LoadedModule::Impl {
    boost::dll::shared_library library;
};

namespace {
HINSTANCE instanceOf(boost::dll::shared_library& library) {
#if defined(_WIN32)
    return library.native();
#else
    // The same handle the module computes for itself: the base address of its mapping.
    link_map* map = nullptr;
    if (dlinfo(library.native(), RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return nullptr;
    Dl_info info{};
    if (dladdr(map->l_ld, &info) == 0) return nullptr;
    return info.dli_fbase;
#endif
}

// True when the system loader reports that the module's own start-up refused the load.
// Windows fails LoadLibrary when the entry point returns FALSE; a shared object's start-up
// cannot make dlopen fail, so there the refusal is recorded instead (AfxTakeRefusedLoad).
bool refusedBySystemLoader(const boost::dll::fs::error_code& error) {
#if defined(_WIN32)
    return error.category() == std::system_category() &&
           error.value() == static_cast<int>(ERROR_DLL_INIT_FAILED);
#else
    (void)error;
    return false;
#endif
}

constexpr const char* refusedMessage =
    "the module refused to load (its class-library enrolment failed)";
}  // namespace

LoadedModule::LoadedModule(const std::filesystem::path& file) : impl_(std::make_unique<Impl>()) {
    std::error_code ignored;
    if (!std::filesystem::exists(file, ignored)) {
        throw ModuleLoadError(LoadFailure::MissingFile, "no such file");
    }
    if (std::filesystem::is_directory(file, ignored)) {
        throw ModuleLoadError(LoadFailure::NotLoadable, "not a module file but a directory");
    }
    boost::dll::fs::error_code error;
    impl_->library.load(file, boost::dll::load_mode::default_mode, error);
    if (error) {
        if (refusedBySystemLoader(error))
            throw ModuleLoadError(LoadFailure::Refused, refusedMessage);
        throw ModuleLoadError(LoadFailure::NotLoadable, "not loadable: " + error.message());
    }
    if (AfxTakeRefusedLoad(instanceOf(impl_->library))) {
        impl_->library.unload();
        throw ModuleLoadError(LoadFailure::Refused, refusedMessage);
    }
}

LoadedModule::~LoadedModule() = default;
LoadedModule::LoadedModule(LoadedModule&&) noexcept = default;
LoadedModule& LoadedModule::operator=(LoadedModule&&) noexcept = default;

void (*LoadedModule::findAddress(const std::string& name) const)() {
    if (!impl_ || !impl_->library.is_loaded() || !impl_->library.has(name)) return nullptr;
    return impl_->library.get<void()>(name);
}

HINSTANCE LoadedModule::instance() const {
    if (!impl_ || !impl_->library.is_loaded()) return nullptr;
    return instanceOf(impl_->library);
}

bool LoadedModule::loaded() const {
    return impl_ && impl_->library.is_loaded();
}

void LoadedModule::unload() {
    if (impl_) impl_->library.unload();
}

std::string moduleSuffix() {
    return boost::dll::shared_library::suffix().string();
}

std::filesystem::path programDirectory() {
    return boost::dll::program_location().parent_path();
}

std::filesystem::path programFile() {
    return boost::dll::program_location();
}

}  // namespace platform
