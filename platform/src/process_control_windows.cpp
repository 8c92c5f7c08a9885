#include <windows.h>

#include <tlhelp32.h>

#include "addon001/platform/process_control.h"
#include "child_process_system.h"

namespace platform {

namespace {
// The last handler of an exception nothing else handled (an access violation, a stack
// overflow): the process ends with the exception's code, as it does on Windows without a
// debugger. Under Wine with its crash debugger turned off, such a process would end with exit
// code 5 instead, which says nothing about the crash.
LONG WINAPI endWithExceptionCode(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}
// Faults of the processor and of the stack, which no module raises on purpose; not C++
// exceptions, breakpoints or anything else a program may raise and handle itself.
bool isCrash(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case 0xC0000374:  // STATUS_HEAP_CORRUPTION
        case 0xC0000409:  // STATUS_STACK_BUFFER_OVERRUN
            return true;
        default:
            return false;
    }
}

// Sees each exception before any handler of the loader does.
LONG WINAPI endOnCrash(EXCEPTION_POINTERS* exception) {
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    if (isCrash(code)) TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_CONTINUE_SEARCH;
}

void* loaderWatch = nullptr;
}  // namespace

void endCrashesInTheLoader(bool on) {
    if (on && loaderWatch == nullptr) {
        loaderWatch = AddVectoredExceptionHandler(1, endOnCrash);
    } else if (!on && loaderWatch != nullptr) {
        RemoveVectoredExceptionHandler(loaderWatch);
        loaderWatch = nullptr;
    }
}

void endCrashesWithTheirCode() {
    // No error dialog of the system either: checks run unattended.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endWithExceptionCode);
}

namespace {
// What the watching thread waits for, and the code it ends the process with.
struct ParentWatch {
    HANDLE parent;
    UINT exitCode;
};

DWORD WINAPI watchParent(void* argument) {
    const ParentWatch watch = *static_cast<ParentWatch*>(argument);
    delete static_cast<ParentWatch*>(argument);
    WaitForSingleObject(watch.parent, INFINITE);
    TerminateProcess(GetCurrentProcess(), watch.exitCode);
    return 0;
}
}  // namespace

void endWithParent(unsigned long parent, int exitCode) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(parent));
    if (process == nullptr) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    auto* watch = new ParentWatch{process, static_cast<UINT>(exitCode)};
    HANDLE thread = CreateThread(nullptr, 0, watchParent, watch, 0, nullptr);
    if (thread == nullptr) {
        delete watch;
        return;
    }
    CloseHandle(thread);
}

void endProcessNow(int code) {
    // ExitProcess would detach every DLL still loaded, running the module's teardown.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    for (;;) Sleep(INFINITE);
}

int threadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    const DWORD self = GetCurrentProcessId();
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == self) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

void letOtherThreadsRun(std::chrono::milliseconds least, std::chrono::milliseconds) {
    if (threadCount() > 1) Sleep(static_cast<DWORD>(least.count()));
}

void superviseDescendants() {
    // runChild's job objects end what a child leaves behind.
}

namespace {
std::function<void()>* endRequestCleanUp = nullptr;

BOOL WINAPI onConsoleEvent(DWORD) {
    // Runs on a thread the system starts for it; the process ends as Ctrl+C would end it.
    (*endRequestCleanUp)();
    ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}
}  // namespace

void onEndRequest(std::function<void()> cleanUp) {
    endRequestCleanUp = new std::function<void()>(std::move(cleanUp));
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void endRemainingChildren() {
    // Every child runChild started with `endDescendants` runs in a job of its own.
    detail::endRunningJobs();
}

}  // namespace platform
