// One copy run of the real tramox, timed from the click on Copy until the state line reads Done
// and Copy is enabled again. tramox starts in the work folder, whose tramox.ini it reads; the
// source and destiny are typed as given. Prints the seconds; with a marker, also the seconds until
// the console pane first showed it (-1: never).
//
//   copy_driver <tramox.exe> <work folder> <source> <destiny folder> [marker]
#include <windows.h>

#include <cstdio>
#include <string>

#include "main_window_table.h"
#include "program.h"
#include "timing.h"
#include "window_reading.h"

namespace {

constexpr DWORD kStartMs = 60000;
constexpr double kRunLimitSeconds = 4 * 3600.0;  // today's byte-by-byte copy is slow

int Fail(e2e::Program* program, const char* what) {
    std::fprintf(stderr, "copy_driver: %s\n", what);
    e2e::Release(program);
    return 1;
}

void SetText(HWND edit, const char* text) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr,
                     "usage: copy_driver <tramox.exe> <work folder> <source> <destiny> [marker]\n");
        return 2;
    }
    const std::string marker = argc == 6 ? argv[5] : "";
    e2e::Program program;
    if (e2e::StartProgram(argv[1], argv[2], &program) != 0)
        return Fail(&program, "tramox does not start");
    HWND window = e2e::WaitForMainWindow(program, e2e::kMainClass, kStartMs);
    if (window == nullptr) return Fail(&program, "no main window");
    HWND copy = e2e::ControlNamed(window, "Copy button");
    HWND stateLine = e2e::ControlNamed(window, "StateLine");
    HWND pane = e2e::ControlNamed(window, "ConsolePane");
    SetText(e2e::ControlNamed(window, "SourceEdit"), argv[3]);
    SetText(e2e::ControlNamed(window, "DestinyEdit"), argv[4]);
    double start = bench::Now(), seconds = 0, marked = -1;
    SendMessageA(copy, BM_CLICK, 0, 0);
    // Polled often enough for a run of a second, seldom enough not to slow the program.
    DWORD exitCode = 0;
    while (e2e::WindowText(stateLine) != "Done" || !IsWindowEnabled(copy)) {
        seconds = bench::Now() - start;
        if (e2e::HasEnded(program, &exitCode) || seconds > kRunLimitSeconds)
            return Fail(&program, "the run never ended");
        if (!marker.empty() && marked < 0 && e2e::WindowText(pane).find(marker) != std::string::npos)
            marked = seconds;
        Sleep(5);
    }
    seconds = bench::Now() - start;
    if (!e2e::CloseAndWait(program, window, kStartMs, &exitCode) || exitCode != 0)
        return Fail(&program, "tramox did not close cleanly");
    e2e::Release(&program);
    if (marker.empty())
        std::printf("%.9f\n", seconds);
    else
        std::printf("%.9f %.9f\n", seconds, marked);
    return 0;
}
