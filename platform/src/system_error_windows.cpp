#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "addon001/platform/system_error.h"

namespace platform {

namespace {

// GetLastError codes, with the system's own texts (FormatMessage), and the portable conditions
// of the codes that file and process operations commonly meet. (The C++ runtime's own system
// category cannot be relied on for either on every MinGW-w64 release.)
class WindowsCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "windows"; }

    std::string message(int code) const override {
        char* text = nullptr;
        const DWORD length = FormatMessageA(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
        std::string message = length > 0 && text != nullptr ? std::string(text, length) : "";
        if (text != nullptr) LocalFree(text);
        // The system's texts end with a line end and often a full stop.
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                    message.back() == ' ' || message.back() == '.')) {
            message.pop_back();
        }
        if (message.empty()) message = "system error";
        return message + " (error " + std::to_string(static_cast<unsigned long>(code)) + ")";
    }

    std::error_condition default_error_condition(int code) const noexcept override {
        switch (code) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_DRIVE:
            case ERROR_BAD_NETPATH:
                return std::errc::no_such_file_or_directory;
            case ERROR_ACCESS_DENIED:
            case ERROR_SHARING_VIOLATION:
            case ERROR_LOCK_VIOLATION:
                return std::errc::permission_denied;
            case ERROR_FILE_EXISTS:
            case ERROR_ALREADY_EXISTS:
                return std::errc::file_exists;
            case ERROR_DISK_FULL:
            case ERROR_HANDLE_DISK_FULL:
                return std::errc::no_space_on_device;
            case ERROR_TOO_MANY_OPEN_FILES:
                return std::errc::too_many_files_open;
            case ERROR_NOT_ENOUGH_MEMORY:
            case ERROR_OUTOFMEMORY:
                return std::errc::not_enough_memory;
            case ERROR_DIRECTORY:
                return std::errc::not_a_directory;
            case ERROR_DIR_NOT_EMPTY:
                return std::errc::directory_not_empty;
            case ERROR_FILENAME_EXCED_RANGE:
                return std::errc::filename_too_long;
            case ERROR_CANT_RESOLVE_FILENAME:
                return std::errc::too_many_symbolic_link_levels;
            case ERROR_INVALID_PARAMETER:
            case ERROR_INVALID_NAME:
                return std::errc::invalid_argument;
            case ERROR_NOT_SUPPORTED:
                return std::errc::not_supported;
            case ERROR_BROKEN_PIPE:
            case ERROR_NO_DATA:
                return std::errc::broken_pipe;
            default:
                return {code, *this};
        }
    }
};

}  // namespace

const std::error_category& systemCategory() {
    static const WindowsCategory category;
    return category;
}

std::error_code lastSystemError() {
    return systemError(static_cast<int>(GetLastError()));
}

std::error_code systemError(int code) {
    return {code, systemCategory()};
}

std::string systemMessage(int code) {
    return systemCategory().message(code);
}

}  // namespace platform
