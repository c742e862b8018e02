#include "program.h"

#include <cstdio>
#include <vector>

#include "window_reading.h"

namespace e2e {

DWORD StartProgram(const std::string& exe, const std::string& workFolder, Program* program) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    if (!CreateProcessA(exe.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workFolder.c_str(), &startup, &program->process))
        return GetLastError();
    program->started = true;
    return 0;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, search->className) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindProgramWindow(DWORD processId, const char* className) {
    WindowSearch search{processId, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool HasEnded(const Program& program, DWORD* exitCode) {
    return WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(program.process.hProcess, exitCode);
}

HWND WaitForMainWindow(const Program& program, const char* className, DWORD timeoutMs) {
    DWORD start = GetTickCount(), exitCode = 0;
    HWND window = nullptr;
    WaitFor(
        [&] {
            window = FindProgramWindow(program.process.dwProcessId, className);
            return window != nullptr || HasEnded(program, &exitCode);
        },
        timeoutMs);
    if (window == nullptr) return nullptr;
    DWORD spent = GetTickCount() - start;
    WaitForInputIdle(program.process.hProcess, spent < timeoutMs ? timeoutMs - spent : 0);
    // The window exists before its controls and settings do, and Wine may call the program
    // idle early: a sent message is answered only once the thread takes messages, so by then
    // start-up no longer overwrites what a test types.
    spent = GetTickCount() - start;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL,
                        spent < timeoutMs ? timeoutMs - spent : 1, &answer);
    return window;
}

bool CloseAndWait(const Program& program, HWND window, DWORD timeoutMs, DWORD* exitCode) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(program.process.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(program.process.hProcess, exitCode) != 0;
}

bool TimeCloseAndWait(const Program& program, HWND window, const std::string& settingsFile,
                      const std::string& when, DWORD timeoutMs, DWORD* exitCode) {
    DeleteFileA(settingsFile.c_str());
    LARGE_INTEGER before, hidden{}, gone{}, written;
    QueryPerformanceCounter(&before);
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD start = GetTickCount();
    while (GetFileAttributesA(settingsFile.c_str()) == INVALID_FILE_ATTRIBUTES &&
           WaitForSingleObject(program.process.hProcess, 1) == WAIT_TIMEOUT &&
           GetTickCount() - start < timeoutMs) {
        if (hidden.QuadPart == 0 && !IsWindowVisible(window)) QueryPerformanceCounter(&hidden);
        if (gone.QuadPart == 0 && !IsWindow(window)) QueryPerformanceCounter(&gone);
    }
    QueryPerformanceCounter(&written);
    if (gone.QuadPart == 0) gone = written;
    if (hidden.QuadPart == 0) hidden = gone;
    std::printf("info: tramox's own share of a close %s: %.1f ms (Wine's hiding of the window "
                "%.1f ms)\n",
                when.c_str(), Milliseconds(before, hidden) + Milliseconds(gone, written),
                Milliseconds(hidden, gone));
    DWORD spent = GetTickCount() - start;
    return CloseAndWait(program, window, spent < timeoutMs ? timeoutMs - spent : 1, exitCode);
}

void Release(Program* program) {
    if (!program->started) return;
    DWORD code = 0;
    if (GetExitCodeProcess(program->process.hProcess, &code) && code == STILL_ACTIVE)
        TerminateProcess(program->process.hProcess, 1);
    CloseHandle(program->process.hThread);
    CloseHandle(program->process.hProcess);
    program->started = false;
}

bool HoldForScreenshot(const std::string& folder, DWORD timeoutMs) {
    std::string ready = folder + "\\window.ready";
    std::string done = folder + "\\screenshot.done";
    HANDLE file = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return WaitFor([&] { return FileExists(done); }, timeoutMs);
}

}  // namespace e2e
