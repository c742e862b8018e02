// The result code of the last file or folder operation of this thread; reading it clears it.
#pragma once

#include <cstdint>

namespace rt {

constexpr int32_t kIoFileNotFound = 2;
constexpr int32_t kIoPathNotFound = 3;
constexpr int32_t kIoAccessDenied = 5;
constexpr int32_t kIoShortRead = 100;
constexpr int32_t kIoShortWrite = 101;
constexpr int32_t kIoNotAssigned = 102;
constexpr int32_t kIoNotOpen = 103;
constexpr int32_t kIoNotOpenForInput = 104;
constexpr int32_t kIoNotOpenForOutput = 105;
constexpr int32_t kHeapOverflow = 203;

// Returns the pending code and clears it.
int32_t IoResult();
// Records a failure; the first pending code is kept until read, as later operations are skipped.
void SetIoResult(int32_t code);
// True while a code is pending (does not clear it).
bool IoPending();

// Ends the program with the run-time error report when a code is pending: the strict form of
// every operation on tramox's own files.
void CheckStrict();

// Called by RunError just before its box, on the failing thread: the program keeps its main
// window from taking input while the box is up. It must never wait for another thread, which
// may itself be waiting for the failing one. None until one is installed.
using ErrorReportHook = void (*)();
void SetErrorReportHook(ErrorReportHook hook);
ErrorReportHook InstalledErrorReportHook();

// The run-time error report: a message box without owner captioned "Error", whose first line
// is "Runtime error <code> at 0x<8 hex digits>", followed by one line per calling place; then
// the process exits with the code.
[[noreturn]] void RunError(int32_t code);

}  // namespace rt
