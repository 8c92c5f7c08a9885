// The host's reader of module headers on arbitrary bytes: it must read them or refuse them
// with ModuleFileError, never read outside them, and every name it reports must stand in the
// bytes as given, followed by the NUL that ends it.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "module/module_file.h"

namespace {
bool standsInBytes(std::string_view bytes, const std::string& name) {
    std::string terminated = name;
    terminated += '\0';
    return bytes.find(terminated) != std::string_view::npos;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    host::ModuleFileFacts facts;
    try {
        facts = host::parseModuleFile(bytes);
    } catch (const host::ModuleFileError&) {
        return 0;
    }
    for (const auto* names :
         {&facts.neededLibraries, &facts.importedSymbols, &facts.exportedSymbols}) {
        for (const std::string& name : *names) {
            fuzzing::check(standsInBytes(bytes, name), "a name that is not in the file");
        }
    }
    return 0;
}
