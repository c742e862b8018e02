// The program under test: starting it in a work folder, finding its window, closing it.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

struct Program {
    PROCESS_INFORMATION process{};
    bool started = false;
};

// Starts exe with workFolder as its current directory. Returns the CreateProcess error, 0 on
// success.
DWORD StartProgram(const std::string& exe, const std::string& workFolder, Program* program);
// Whether the program has ended, and with which exit code.
bool HasEnded(const Program& program, DWORD* exitCode);
// The first visible top-level window of the given class owned by the program; nullptr after
// timeoutMs or once the program has ended. Waits for the program to go idle, so that its
// start-up has finished.
HWND WaitForMainWindow(const Program& program, const char* className, DWORD timeoutMs);
// Posts WM_CLOSE and waits for the process to end; false on timeout.
bool CloseAndWait(const Program& program, HWND window, DWORD timeoutMs, DWORD* exitCode);
// Posts WM_CLOSE and prints tramox's own share of the close as a figure (`when` names the
// moment): from WM_CLOSE until the window starts to hide, and from the window gone until
// `settingsFile`, deleted first, is written again, the last of its shutdown. In between Wine
// hides the window, waiting up to 2 s for a window manager Xvfb does not have; what follows
// until the process is gone is Wine's too. Then waits for the end as CloseAndWait does.
bool TimeCloseAndWait(const Program& program, HWND window, const std::string& settingsFile,
                      const std::string& when, DWORD timeoutMs, DWORD* exitCode);
// Ends a program that would not close, and closes the driver's handles.
void Release(Program* program);

// Lets the run script take a screenshot while the window is up: writes "window.ready" into
// folder, then waits up to timeoutMs for the script to write "screenshot.done" there. The folder
// is not the program's work folder, whose files are the program's own.
bool HoldForScreenshot(const std::string& folder, DWORD timeoutMs);

}  // namespace e2e
