#include "module_loader.h"

#include <cstdio>

#include "addon001/afx/load_refusal.h"
#include "addon001/platform/module_system.h"
#include "module_file.h"
#include "thrown_description.h"

namespace host {

struct LoadedModule::Impl {
    boost::dll::shared_library library;
};

namespace {
constexpr const char* refusedMessage =
    "the module refused to load (its class-library enrolment failed)";
}  // namespace

LoadedModule::LoadedModule(const std::filesystem::path& file) : impl_(std::make_unique<Impl>()) {
    std::error_code statusError;
    const std::filesystem::file_type type = std::filesystem::status(file, statusError).type();
    if (type == std::filesystem::file_type::not_found) {
        throw ModuleLoadError(LoadFailure::MissingFile, "no such file");
    }
    // A path the system cannot follow (a loop of links, a name too long) is told in its words.
    if (statusError) {
        throw ModuleLoadError(LoadFailure::NotLoadable,
                              "cannot be opened: " + statusError.message());
    }
    if (type != std::filesystem::file_type::regular) {
        throw ModuleLoadError(LoadFailure::NotLoadable,
                              "not a module file but " + describeFileType(type));
    }
    boost::dll::fs::error_code error;
    try {
        impl_->library.load(file, boost::dll::load_mode::default_mode, error);
    } catch (...) {
        // Described here, while whatever the module threw can still be read.
        throw ModuleLoadError(LoadFailure::StartUpThrew, "its start-up " + describeThrown());
    }
    if (error) {
        if (platform::refusedByEntryPoint(error)) {
            throw ModuleLoadError(LoadFailure::Refused, refusedMessage);
        }
        if (platform::startUpThrew(error)) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(error.value()));
            throw ModuleLoadError(LoadFailure::StartUpThrew,
                                  std::string("its start-up threw a C++ exception, which the "
                                              "system loader caught (exception ") +
                                      code + ")");
        }
        throw ModuleLoadError(LoadFailure::NotLoadable,
                              "not loadable: " + platform::loaderMessage(error, file));
    }
    if (AfxTakeRefusedLoad(platform::instanceOf(impl_->library.native()))) {
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
    return platform::instanceOf(impl_->library.native());
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
