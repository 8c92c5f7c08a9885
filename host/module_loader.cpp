#include "module_loader.h"

#include "addon001/afx/load_refusal.h"
#include "module_loader_system.h"

namespace host {

struct LoadedModule::Impl {
    boost::dll::shared_library library;
};

namespace {
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
        if (detail::refusedByEntryPoint(error)) {
            throw ModuleLoadError(LoadFailure::Refused, refusedMessage);
        }
        throw ModuleLoadError(LoadFailure::NotLoadable,
                              "not loadable: " + detail::loaderMessage(error, file));
    }
    if (AfxTakeRefusedLoad(detail::instanceOf(impl_->library.native()))) {
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
    return detail::instanceOf(impl_->library.native());
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

}  // namespace host
