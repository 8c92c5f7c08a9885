#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "addon001/platform/windows_types.h"

namespace host {

// Why a module could not be loaded.
enum class LoadFailure {
    MissingFile,   // nothing at that path
    NotLoadable,   // no regular file, or the system loader rejected the file
    Refused,       // the module's own start-up refused the load
    StartUpThrew,  // an exception left the module's start-up (a static constructor)
};

class ModuleLoadError : public std::runtime_error {
public:
    ModuleLoadError(LoadFailure failure, const std::string& message)
        : std::runtime_error(message), failure_(failure) {}
    LoadFailure failure() const { return failure_; }

private:
    LoadFailure failure_;
};

// A module loaded at run time, unloaded when the object is destroyed (or by unload()).
class LoadedModule {
public:
    // Throws ModuleLoadError naming the problem; a refused load leaves nothing loaded. Only a
    // regular file is handed to the system loader: a FIFO or a device would block its reading.
    explicit LoadedModule(const std::filesystem::path& file);
    ~LoadedModule();
    LoadedModule(LoadedModule&&) noexcept;
    LoadedModule& operator=(LoadedModule&&) noexcept;

    // The address of an exported function, or null when the module does not export it.
    template <class Signature>
    Signature* find(const std::string& name) const {
        return reinterpret_cast<Signature*>(findAddress(name));
    }

    // The instance handle under which the module enrols with the class library.
    HINSTANCE instance() const;
    bool loaded() const;
    void unload();

private:
    void (*findAddress(const std::string& name) const)();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The platform's file name ending for modules: ".so" or ".dll".
std::string moduleSuffix();

// The folder of the running program.
std::filesystem::path programDirectory();

// The file of the running program, so that it can start itself again.
std::filesystem::path programFile();

}  // namespace host
