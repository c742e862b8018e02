// The process: current directory, clock, starting programs, exiting and the call chain.
#include "platform/win32/win32.h"

namespace os {

uint32_t CurrentFolder(char* buffer, uint32_t capacity) {
    return ::GetCurrentDirectoryA(capacity, buffer);
}

LocalTime GetLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                     now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

uint32_t StartProgram(const char* commandLine, uint32_t showState) {
    return ::WinExec(commandLine, showState);
}

void EndProcess(uint32_t exitCode) { ::ExitProcess(exitCode); }

namespace {

// Where a 32-bit Windows program is loaded when nothing is in the way: places are told as if
// the program sat there, so that they read the same on 32 and 64 bits.
constexpr uintptr_t kClassicBase = 0x00400000;

bool InProgram(void* address, HMODULE program) {
    HMODULE owner = nullptr;
    DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    return ::GetModuleHandleExA(flags, static_cast<const char*>(address), &owner) &&
           owner == program;
}

}  // namespace

// Return addresses starting at the call of our caller, as CallerPlaces' contract asks; frames
// outside the program (kernel32's thread start, ntdll) are passed over.
int CallerPlaces(uint32_t* places, int capacity) {
    constexpr DWORD kOwnFrames = 2;    // this procedure and the caller's own place
    constexpr DWORD kMostFrames = 62;  // RtlCaptureStackBackTrace takes fewer than 63 on XP
    void* frames[kMostFrames];
    int count = ::RtlCaptureStackBackTrace(kOwnFrames, kMostFrames, frames, nullptr);
    HMODULE program = ::GetModuleHandleA(nullptr);
    uintptr_t base = reinterpret_cast<uintptr_t>(program);
    int stored = 0;
    for (int i = 0; i < count && stored < capacity; ++i) {
        if (!InProgram(frames[i], program)) continue;
        uintptr_t offset = reinterpret_cast<uintptr_t>(frames[i]) - base;
        places[stored++] = static_cast<uint32_t>(offset + kClassicBase);
    }
    return stored;
}

}  // namespace os
