#pragma once

// The built Addon001 loaded the way the host loads it, with its exports looked up by name.
#include <gtest/gtest.h>

#include "addon001/addon/addon_interface.h"
#include "built_files.h"
#include "module/module_loader.h"

class LoadedAddon {
public:
    LoadedAddon() : module_(test_support::builtModule("Addon001")) {}

    template <class Signature>
    Signature* get(const char* name) const {
        Signature* function = module_.find<Signature>(name);
        if (function == nullptr) ADD_FAILURE() << "missing export " << name;
        return function;
    }

    host::LoadedModule& module() { return module_; }

private:
    host::LoadedModule module_;
};
