// The process: current directory, clock, starting programs, exiting and the call chain.
#include "platform/win32/win32.h"

namespace os {

uint32_t CurrentFolder(char* buffer, uint32_t capacity) {
    return ::GetCurrentDirectoryA(capacity, buffer);
}

uint64_t SteadyMicroseconds() {
    LARGE_INTEGER now{}, frequency{};
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<uint64_t>(now.QuadPart / frequency.QuadPart * 1000000 +
                                 now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
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

// The bytes the program's image occupies.
uintptr_t ImageSize(HMODULE program) {
    auto base = reinterpret_cast<const BYTE*>(program);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.SizeOfImage;
}

}  // namespace

// Return addresses starting at the call of our caller, as CallerPlaces' contract asks. The walk
// is taken whole and cut after our caller's own place: Wine's 32-bit walker starts one frame
// later than its 64-bit one, so a fixed count of frames to skip cannot serve both. Frames
// outside the image (kernel32's thread start, ntdll) are passed over; the walk ends at the first
// empty frame, past which Wine's unwinder may report leftovers.
__attribute__((noinline)) int CallerPlaces(uint32_t* places, int capacity) {
    constexpr DWORD kMostFrames = 62;  // RtlCaptureStackBackTrace takes fewer than 63 on XP
    void* frames[kMostFrames];
    int count = ::RtlCaptureStackBackTrace(0, kMostFrames, frames, nullptr);
    void* callersPlace = __builtin_return_address(0);
    int first = 0;
    while (first < count && frames[first] != callersPlace) ++first;
    first = first < count ? first + 1 : 1;
    HMODULE program = ::GetModuleHandleA(nullptr);
    uintptr_t base = reinterpret_cast<uintptr_t>(program), size = ImageSize(program);
    int stored = 0;
    for (int i = first; i < count && frames[i] != nullptr && stored < capacity; ++i) {
        uintptr_t offset = reinterpret_cast<uintptr_t>(frames[i]) - base;  // wraps below base
        if (offset < size) places[stored++] = static_cast<uint32_t>(offset + kClassicBase);
    }
    return stored;
}

}  // namespace os
