// What the Win32 backend's files share. The only header of tramox that includes <windows.h>.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winternl.h>

#include "platform/os.h"

// ntdll's read at an offset; winternl.h leaves it out.
extern "C" NTSTATUS NTAPI NtReadFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc,
                                     PVOID apcContext, PIO_STATUS_BLOCK status, PVOID buffer,
                                     ULONG length, PLARGE_INTEGER offset, PULONG key);

// ntdll's upper-case table, the one the file system and CompareStringOrdinal compare names by.
extern "C" WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR unit);

namespace os::win32 {

// 0 when a call succeeded (and the thread's last error is cleared to match), else its error
// code. A failure that left no code is reported as ERROR_GEN_FAILURE rather than as success.
inline uint32_t Outcome(bool succeeded) {
    if (succeeded) {
        ::SetLastError(0);
        return 0;
    }
    DWORD error = ::GetLastError();
    if (error == 0) {
        error = ERROR_GEN_FAILURE;
        ::SetLastError(error);
    }
    return error;
}

inline HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
inline HWND AsWindow(Window window) { return reinterpret_cast<HWND>(window); }
inline HDC AsDc(DeviceContext dc) { return reinterpret_cast<HDC>(dc); }

inline uint64_t JoinWords(DWORD high, DWORD low) {
    return (static_cast<uint64_t>(high) << 32) | low;
}

inline uint64_t FileTimeValue(const FILETIME& time) {
    return JoinWords(time.dwHighDateTime, time.dwLowDateTime);
}

inline FILETIME FileTimeOf(uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

}  // namespace os::win32
