#include "cxx_runtime.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "module_loader.h"

namespace host {

namespace {

// The standard string type this host was compiled with: libstdc++ keeps the copy-on-write
// std::string of before C++11 beside the C++11 one, chosen per translation unit.
#if defined(_GLIBCXX_USE_CXX11_ABI) && _GLIBCXX_USE_CXX11_ABI
constexpr bool hostUsesCxx11Strings = true;
#else
constexpr bool hostUsesCxx11Strings = false;
#endif

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char character) {
        return static_cast<char>(std::tolower(character));
    });
    return text;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

struct RuntimeFamily {
    std::string name;
    // A C++ standard library (rather than a support library that only some programs name).
    bool standardLibrary = true;
};

// The C++ runtime a library belongs to, by the file names those runtimes are shipped under
// (compared without case, as DLL names are).
std::optional<RuntimeFamily> familyOf(const std::string& library) {
    const std::string name = lowerCase(library);
    if (startsWith(name, "libstdc++")) return RuntimeFamily{"libstdc++"};
    if (startsWith(name, "libc++")) return RuntimeFamily{"libc++"};  // libc++ and libc++abi
    if (startsWith(name, "msvcp") || startsWith(name, "vcruntime")) {
        return RuntimeFamily{"the Microsoft C++ runtime"};
    }
    if (startsWith(name, "stlport")) return RuntimeFamily{"STLport"};
    // The GCC support library, whose DLL name carries the exception model (seh, sjlj, dw2).
    if (startsWith(name, "libgcc_s")) return RuntimeFamily{"the GCC support library", false};
    return std::nullopt;
}

// Members of the copy-on-write std::string (std::basic_string<char>, mangled "Ss").
bool isOldStringSymbol(const std::string& symbol) {
    return startsWith(symbol, "_ZNSs") || startsWith(symbol, "_ZNKSs");
}

bool isCxx11StringSymbol(const std::string& symbol) {
    return symbol.find("St7__cxx1112basic_string") != std::string::npos;
}

std::optional<std::string> firstSymbol(const ModuleFileFacts& facts,
                                       bool (*matches)(const std::string&)) {
    for (const auto* symbols : {&facts.importedSymbols, &facts.exportedSymbols}) {
        const auto found = std::find_if(symbols->begin(), symbols->end(), matches);
        if (found != symbols->end()) return *found;
    }
    return std::nullopt;
}

std::string join(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

RuntimeJudgement judged(RuntimeJudgement::Verdict verdict, const std::string& seen) {
    return RuntimeJudgement{verdict, seen};
}

}  // namespace

RuntimeJudgement judgeRuntime(const ModuleFileFacts& module, const ModuleFileFacts& hostProgram) {
    using Verdict = RuntimeJudgement::Verdict;
    if (module.format != hostProgram.format || module.machine != hostProgram.machine) {
        return judged(Verdict::Unknown, "the file is " + formatName(module.format) +
                                            " for machine " + std::to_string(module.machine) +
                                            ", the host " + formatName(hostProgram.format) +
                                            " for machine " + std::to_string(hostProgram.machine));
    }

    std::vector<std::string> hostLibraries;
    for (const std::string& library : hostProgram.neededLibraries) {
        if (familyOf(library)) hostLibraries.push_back(library);
    }
    std::vector<std::string> moduleLibraries;
    for (const std::string& library : module.neededLibraries) {
        const auto family = familyOf(library);
        if (!family) continue;
        moduleLibraries.push_back(library);
        // The host's library of the same runtime, if it names one.
        std::vector<std::string> sameFamily;
        for (const std::string& hostLibrary : hostLibraries) {
            if (familyOf(hostLibrary)->name == family->name) sameFamily.push_back(hostLibrary);
        }
        const bool shared = std::any_of(
            sameFamily.begin(), sameFamily.end(),
            [&](const std::string& name) { return lowerCase(name) == lowerCase(library); });
        if (shared) continue;
        if (!sameFamily.empty()) {
            return judged(Verdict::Different, "needs " + library + ", another build of " +
                                                  family->name + " than the host's " +
                                                  join(sameFamily));
        }
        if (family->standardLibrary) {
            return judged(Verdict::Different,
                          "needs " + library + " (" + family->name +
                              "), not the host's C++ runtime" +
                              (hostLibraries.empty() ? std::string() : " " + join(hostLibraries)));
        }
    }

    const auto oldString = firstSymbol(module, isOldStringSymbol);
    const auto cxx11String = firstSymbol(module, isCxx11StringSymbol);
    if (hostUsesCxx11Strings && oldString) {
        return judged(Verdict::Different,
                      "uses the std::string of before C++11 (built with "
                      "_GLIBCXX_USE_CXX11_ABI=0): " +
                          *oldString + "; the host uses the C++11 one");
    }
    if (!hostUsesCxx11Strings && cxx11String) {
        return judged(Verdict::Different, "uses the C++11 std::string: " + *cxx11String +
                                              "; the host uses the one of before C++11");
    }

    std::string seen =
        moduleLibraries.empty() ? "needs no C++ runtime library" : "needs " + join(moduleLibraries);
    if (oldString || cxx11String) {
        seen += hostUsesCxx11Strings ? "; uses the C++11 std::string"
                                     : "; uses the std::string of before C++11";
    }
    return judged(Verdict::Same, seen);
}

RuntimeJudgement judgeModuleRuntime(const std::filesystem::path& module) {
    ModuleFileFacts moduleFacts;
    try {
        moduleFacts = readModuleFile(module);
    } catch (const ModuleFileError& error) {
        return judged(RuntimeJudgement::Verdict::Unknown,
                      std::string("cannot read the module file: ") + error.what());
    }
    try {
        return judgeRuntime(moduleFacts, readModuleFile(programFile()));
    } catch (const ModuleFileError& error) {
        return judged(RuntimeJudgement::Verdict::Unknown,
                      std::string("cannot read the host's own program file: ") + error.what());
    }
}

}  // namespace host
