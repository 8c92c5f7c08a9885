#include <windows.h>

#include "addon001/platform/system_error.h"

#include <memory>
#include <mutex>
#include <set>

#include "addon001/platform/child_process.h"
#include "addon001/platform/wide_path_file.h"
#include "child_process_system.h"

namespace platform {

namespace {
// The job objects of the children runChild is waiting for, so that a request to end this
// process can end them first.
std::mutex jobsMutex;
std::set<HANDLE> runningJobs;
}  // namespace

namespace detail {
std::string signalName(int signal) {
    return "signal " + std::to_string(signal);
}

void endRunningJobs() {
    const std::lock_guard<std::mutex> lock(jobsMutex);
    for (HANDLE job : runningJobs) TerminateJobObject(job, 1);
}
}  // namespace detail

namespace {

// Closes a handle on every way out.
struct Handle {
    HANDLE value = INVALID_HANDLE_VALUE;
    Handle() = default;
    explicit Handle(HANDLE handle) : value(handle) {}
    ~Handle() {
        if (value != INVALID_HANDLE_VALUE && value != nullptr) CloseHandle(value);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

// A file the child inherits as one of its standard handles; NUL for an empty path.
HANDLE openForChild(const std::filesystem::path& file, bool forWriting) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const std::wstring name = file.empty() ? std::wstring(L"NUL") : file.wstring();
    return CreateFileW(name.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                       forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A job object that ends every process in it when its last handle closes; null when the
// system gives none.
HANDLE jobThatKillsOnClose() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

ChildEnd notStarted(const std::string& problem) {
    ChildEnd end;
    end.kind = ChildEnd::Kind::NotStarted;
    end.problem = problem;
    return end;
}

}  // namespace

ChildEnd runChild(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                  const ChildOptions& options) {
    // The child's C runtime splits the command line into its arguments again: quoted so that
    // it finds exactly these, with no command interpreter to read "%" or quotes in between.
    std::vector<std::string> words;
    words.push_back(program.string());
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::wstring commandLine = platform::widenPath(detail::windowsCommandLine(words));

    Handle input(openForChild({}, false));
    Handle output(openForChild(options.output, true));
    Handle errors(openForChild(options.errors, true));
    if (input.value == INVALID_HANDLE_VALUE || output.value == INVALID_HANDLE_VALUE ||
        errors.value == INVALID_HANDLE_VALUE) {
        return notStarted("cannot open its output files: " + platform::lastSystemError().message());
    }

    // Only the three standard handles are inherited, whatever else this process has open.
    HANDLE inherited[] = {input.value, output.value, errors.value};
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::unique_ptr<char[]> storage(new char[size]);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.get());
    const bool restricted =
        InitializeProcThreadAttributeList(attributes, 1, 0, &size) &&
        UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                  sizeof inherited, nullptr, nullptr);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.value;
    startup.StartupInfo.hStdOutput = output.value;
    startup.StartupInfo.hStdError = errors.value;
    startup.lpAttributeList = restricted ? attributes : nullptr;
    PROCESS_INFORMATION process{};
    const std::wstring application = program.wstring();
    // Started suspended when it is to run in a job, so that it starts nothing before it is in.
    Handle job(options.endDescendants ? jobThatKillsOnClose() : nullptr);
    const BOOL started =
        CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       (restricted ? EXTENDED_STARTUPINFO_PRESENT : 0) | CREATE_NO_WINDOW |
                           (job.value != nullptr ? CREATE_SUSPENDED : 0),
                       nullptr, nullptr, &startup.StartupInfo, &process);
    const DWORD startError = GetLastError();
    if (restricted) DeleteProcThreadAttributeList(attributes);
    if (!started)
        return notStarted(program.string() + ": " +
                          platform::systemMessage(static_cast<int>(startError)));

    Handle processHandle(process.hProcess);
    Handle threadHandle(process.hThread);
    if (job.value != nullptr) {
        if (!AssignProcessToJobObject(job.value, process.hProcess)) {
            const std::string reason = platform::lastSystemError().message();
            TerminateProcess(process.hProcess, 1);
            return notStarted(program.string() + ": cannot be put in a job object: " + reason);
        }
        ResumeThread(process.hThread);
    }
    // Whatever the child started ends with it: the job's processes end when the handle closes.
    struct EndJob {
        HANDLE job;
        explicit EndJob(HANDLE handle) : job(handle) {
            if (job == nullptr) return;
            const std::lock_guard<std::mutex> lock(jobsMutex);
            runningJobs.insert(job);
        }
        ~EndJob() {
            if (job == nullptr) return;
            TerminateJobObject(job, 1);
            const std::lock_guard<std::mutex> lock(jobsMutex);
            runningJobs.erase(job);
        }
        EndJob(const EndJob&) = delete;
        EndJob& operator=(const EndJob&) = delete;
    } endJob(job.value);
    const DWORD wait =
        options.timeLimit
            ? static_cast<DWORD>(std::min<long long>(options.timeLimit->count(), INFINITE - 1))
            : INFINITE;
    ChildEnd end;
    const DWORD waited = WaitForSingleObject(process.hProcess, wait);
    if (waited == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        end.kind = ChildEnd::Kind::TimedOut;
        return end;
    }
    // A wait or an exit code the system could not give says so, rather than taking the
    // still-running process's status (STILL_ACTIVE, 259) for its exit code.
    DWORD exitCode = 0;
    if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &exitCode) ||
        exitCode == STILL_ACTIVE) {
        const std::string reason = platform::lastSystemError().message();
        TerminateProcess(process.hProcess, 1);
        return notStarted(program.string() + ": its end could not be read: " + reason);
    }
    // An exception the system caught ends the process with the exception's code, an NTSTATUS
    // of error severity; no program exits with such a code by choice.
    end.kind =
        (exitCode & 0xF0000000u) == 0xC0000000u ? ChildEnd::Kind::Crashed : ChildEnd::Kind::Exited;
    end.code = static_cast<int>(exitCode);
    return end;
}

}  // namespace platform
