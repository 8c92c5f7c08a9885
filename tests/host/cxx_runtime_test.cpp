// Whether a module shares the host's C++ runtime, judged from the libraries it needs and the
// symbols it imports.
#include "module/cxx_runtime.h"

#include <gtest/gtest.h>

#include <fstream>

#include "built_files.h"
#include "scratch_folder.h"

namespace {

using host::ModuleFileFacts;
using host::RuntimeJudgement;
using Verdict = RuntimeJudgement::Verdict;

ModuleFileFacts linuxFacts(std::vector<std::string> libraries,
                           std::vector<std::string> imports = {}) {
    ModuleFileFacts facts;
    facts.format = ModuleFileFacts::Format::Elf64;
    facts.machine = 62;
    facts.neededLibraries = std::move(libraries);
    facts.importedSymbols = std::move(imports);
    return facts;
}

ModuleFileFacts windowsFacts(std::vector<std::string> libraries) {
    ModuleFileFacts facts;
    facts.format = ModuleFileFacts::Format::Pe32Plus;
    facts.machine = 0x8664;
    facts.neededLibraries = std::move(libraries);
    return facts;
}

const ModuleFileFacts linuxHost =
    linuxFacts({"afxlayer.so", "libstdc++.so.6", "libgcc_s.so.1", "libc.so.6"},
               {"_ZNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEE9_M_createERmm"});
const ModuleFileFacts windowsHost = windowsFacts(
    {"afxlayer.dll", "libgcc_s_seh-1.dll", "KERNEL32.dll", "msvcrt.dll", "libstdc++-6.dll"});

TEST(CxxRuntimeTest, TheHostsOwnRuntimeIsTheSame) {
    const RuntimeJudgement linux = host::judgeRuntime(linuxHost, linuxHost);
    EXPECT_EQ(linux.verdict, Verdict::Same) << linux.seen;
    EXPECT_EQ(linux.seen, "needs libstdc++.so.6, libgcc_s.so.1; uses the C++11 std::string");
    // DLL names are compared without case, as the system loader does.
    const RuntimeJudgement windows =
        host::judgeRuntime(windowsFacts({"LIBSTDC++-6.DLL", "MSVCRT.dll"}), windowsHost);
    EXPECT_EQ(windows.verdict, Verdict::Same) << windows.seen;
    // A module that needs no C++ runtime at all (plain C, or a static one) passes nothing of it.
    EXPECT_EQ(host::judgeRuntime(linuxFacts({"libc.so.6"}), linuxHost).seen,
              "needs no C++ runtime library");
}

TEST(CxxRuntimeTest, AnotherRuntimeIsNamed) {
    const struct {
        ModuleFileFacts module;
        const ModuleFileFacts& host;
        std::string seen;
    } cases[] = {
        {linuxFacts({"libc++.so.1", "libc++abi.so.1"}), linuxHost,
         "needs libc++.so.1 (libc++), not the host's C++ runtime libstdc++.so.6, libgcc_s.so.1"},
        {linuxFacts({"libstdc++.so.5"}), linuxHost,
         "needs libstdc++.so.5, another build of libstdc++ than the host's libstdc++.so.6"},
        {windowsFacts({"MSVCP140.dll", "VCRUNTIME140.dll"}), windowsHost,
         "needs MSVCP140.dll (the Microsoft C++ runtime), not the host's C++ runtime "
         "libgcc_s_seh-1.dll, libstdc++-6.dll"},
        // The same C++ library with another exception model.
        {windowsFacts({"libgcc_s_sjlj-1.dll", "libstdc++-6.dll"}), windowsHost,
         "needs libgcc_s_sjlj-1.dll, another build of the GCC support library than the "
         "host's libgcc_s_seh-1.dll"},
        {linuxFacts({"libstdc++.so.6"}, {"_ZNSs4_Rep20_S_empty_rep_storageE"}), linuxHost,
         "uses the std::string of before C++11 (built with _GLIBCXX_USE_CXX11_ABI=0): "
         "_ZNSs4_Rep20_S_empty_rep_storageE; the host uses the C++11 one"},
    };
    for (const auto& test : cases) {
        const RuntimeJudgement judgement = host::judgeRuntime(test.module, test.host);
        EXPECT_EQ(judgement.verdict, Verdict::Different) << judgement.seen;
        EXPECT_EQ(judgement.seen, test.seen);
    }
}

TEST(CxxRuntimeTest, AFileForAnotherSystemIsLeftToTheLoader) {
    ModuleFileFacts arm = linuxFacts({"libc++.so.1"});
    arm.machine = 183;
    EXPECT_EQ(host::judgeRuntime(arm, linuxHost).verdict, Verdict::Unknown);
    EXPECT_EQ(host::judgeRuntime(windowsFacts({"msvcp140.dll"}), linuxHost).verdict,
              Verdict::Unknown);
}

TEST(CxxRuntimeTest, BuiltModulesAreJudgedFromTheirFiles) {
    EXPECT_EQ(host::judgeModuleRuntime(test_support::builtModule("Addon001")).verdict,
              Verdict::Same);
    const RuntimeJudgement old =
        host::judgeModuleRuntime(test_support::builtModule("CheckModule_old_string_abi"));
    EXPECT_EQ(old.verdict, Verdict::Different) << old.seen;
    EXPECT_NE(old.seen.find("_GLIBCXX_USE_CXX11_ABI=0"), std::string::npos) << old.seen;

    const auto text = test_support::scratchFolder("cxx_runtime") / "Text.so";
    { std::ofstream(text) << "plain text\n"; }
    const RuntimeJudgement unreadable = host::judgeModuleRuntime(text);
    EXPECT_EQ(unreadable.verdict, Verdict::Unknown);
    EXPECT_EQ(unreadable.seen, "cannot read the module file: neither an ELF nor a PE file");
}

}  // namespace
