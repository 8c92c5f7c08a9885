#include <windows.h>

#include "addon001/platform/system_error.h"

#include "addon001/platform/module_system.h"

namespace platform {

HINSTANCE instanceOf(boost::dll::shared_library::native_handle_t library) {
    return reinterpret_cast<HINSTANCE>(library);
}

bool refusedByEntryPoint(const boost::dll::fs::error_code& error) {
    // LoadLibrary fails with this code when the module's DllMain returns FALSE.
    return error.category() == std::system_category() &&
           error.value() == static_cast<int>(ERROR_DLL_INIT_FAILED);
}

bool startUpThrew(const boost::dll::fs::error_code& error) {
    // The exception codes of a C++ exception thrown by GCC's runtime ("CCG") and by
    // Microsoft's ("msc"), which the loader reports as the load's error when it caught one
    // thrown from DllMain.
    constexpr DWORD gccException = 0x20474343;
    constexpr DWORD microsoftException = 0xE06D7363;
    const auto code = static_cast<DWORD>(error.value());
    return code == gccException || code == microsoftException;
}

std::string loaderMessage(const boost::dll::fs::error_code& error,
                          const std::filesystem::path& file) {
    std::string message = platform::systemMessage(error.value());
    // Messages that name the file do so with an insert, which the host fills with its name.
    const std::string::size_type insert = message.find("%1");
    if (insert != std::string::npos) message.replace(insert, 2, file.filename().string());
    return message;
}

}  // namespace platform
