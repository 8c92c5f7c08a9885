#include <windows.h>

#include "addon001/platform/system_error.h"
#include "addon001/platform/wide_path_file.h"
#include "running_child.h"

namespace test_support {

namespace {
// The exit code a killed child ends with.
constexpr UINT killedExitCode = 137;

HANDLE handleOf(long long id) {
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(id));
}
}  // namespace

RunningChild::RunningChild(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::wstring commandLine = platform::widenPath(platform::detail::windowsCommandLine(words));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const std::wstring application = program.wstring();
    // bInheritHandles TRUE and no handle list: the child gets every inheritable handle.
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &process)) {
        problem_ = program.string() + ": " + platform::lastSystemError().message();
        return;
    }
    CloseHandle(process.hThread);
    id_ = static_cast<long long>(reinterpret_cast<INT_PTR>(process.hProcess));
    running_ = true;
}

void RunningChild::kill() {
    if (running_) TerminateProcess(handleOf(id_), killedExitCode);
}

platform::ChildEnd RunningChild::wait() {
    platform::ChildEnd end;
    if (!running_) {
        end.problem = problem_;
        return end;
    }
    DWORD exitCode = 0;
    const bool ended = WaitForSingleObject(handleOf(id_), INFINITE) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(handleOf(id_), &exitCode) && exitCode != STILL_ACTIVE;
    if (!ended) end.problem = "its end could not be read: " + platform::lastSystemError().message();
    CloseHandle(handleOf(id_));
    running_ = false;
    if (!ended) return end;
    end.kind = platform::ChildEnd::Kind::Exited;
    end.code = static_cast<int>(exitCode);
    return end;
}

}  // namespace test_support
