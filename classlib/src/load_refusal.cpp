#include "addon001/afx/load_refusal.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {
std::mutex refusalMutex;
std::vector<HMODULE>& refusedModules() {
    static std::vector<HMODULE> modules;
    return modules;
}
}  // namespace

void AfxRecordRefusedLoad(HMODULE module) {
    std::lock_guard<std::mutex> lock(refusalMutex);
    refusedModules().push_back(module);
}

bool AfxTakeRefusedLoad(HMODULE module) {
    std::lock_guard<std::mutex> lock(refusalMutex);
    std::vector<HMODULE>& modules = refusedModules();
    for (auto it = modules.begin(); it != modules.end(); ++it) {
        if (*it == module) {
            modules.erase(it);
            return true;
        }
    }
    return false;
}
