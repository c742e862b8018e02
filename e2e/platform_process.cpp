// The backend's process services: the call chain of the run-time error report, starting
// programs, exit codes, the current directory and the clock.
#include <windows.h>

#include <cstdlib>

#include "checks.h"
#include "window_reading.h"
#include "platform/os.h"
#include "platform_checks.h"

namespace e2e {

namespace {

struct Chain {
    uint32_t places[8];
    int count;
    void* returnToOuter;
};

// The program-relative address the report would print for a code address of this program.
uint32_t PlaceOf(void* address) {
    auto base = reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr));
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address) - base + 0x00400000);
}

__attribute__((noinline)) void Inner(Chain* chain) {
    chain->returnToOuter = __builtin_return_address(0);
    chain->count = os::CallerPlaces(chain->places, 8);
    asm volatile("");  // keeps the call above from becoming a jump
}

__attribute__((noinline)) void Outer(Chain* chain) {
    Inner(chain);
    asm volatile("");
}

// The first place is where our caller was called from, and every place lies in the image.
void CheckCallerPlaces() {
    Chain chain{};
    Outer(&chain);
    auto base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    uint32_t end = 0x00400000 + nt->OptionalHeader.SizeOfImage;
    std::string m;
    if (chain.count < 2) Note(&m, "only " + std::to_string(chain.count) + " places");
    if (chain.count > 0) Compare(&m, "first place", PlaceOf(chain.returnToOuter), chain.places[0]);
    for (int i = 0; i < chain.count; ++i)
        if (chain.places[i] < 0x00401000 || chain.places[i] >= end)
            Note(&m, "place " + Hex(chain.places[i]) + " outside the image");
    CheckClean("platform process: caller places start at our caller's call", m);
}

std::string ExePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// Runs this driver's "end-process 7": EndProcess's code must become the exit status.
void CheckEndProcess() {
    std::string commandLine = "\"";
    commandLine.append(ExePath()).append("\" end-process 7");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    DWORD code = 0;
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &child)) {
        WaitForSingleObject(child.hProcess, 10000);
        GetExitCodeProcess(child.hProcess, &code);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    Check("platform process: EndProcess sets the exit status", code == 7,
          "exit status " + std::to_string(code));
}

void CheckStartProgram(const std::string& folder) {
    std::string marker = folder + "\\started.txt";
    std::string commandLine = "cmd.exe /c echo started>\"";
    commandLine.append(marker).append("\"");
    uint32_t result = os::StartProgram(commandLine.c_str(), SW_HIDE);
    bool appeared = WaitFor(
        [&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
    Check("platform process: StartProgram runs the command line", result > 31 && appeared,
          "WinExec result " + std::to_string(result) + (appeared ? "" : ", no marker file"));
}

void CheckCurrentFolderAndClock() {
    std::string m;
    char tiny[1];
    uint32_t needed = os::CurrentFolder(tiny, sizeof tiny);
    std::string full(needed, '\0');
    uint32_t length = os::CurrentFolder(full.data(), needed);
    Compare(&m, "length after asking with the needed size", needed - 1, length);
    SYSTEMTIME system{};
    GetLocalTime(&system);
    os::LocalTime local = os::GetLocalTime();
    Compare(&m, "year", system.wYear, local.year);
    Compare(&m, "month", system.wMonth, local.month);
    Compare(&m, "day of week", system.wDayOfWeek, local.dayOfWeek);
    Compare(&m, "day", system.wDay, local.day);
    CheckClean("platform process: current folder sizes and local time fields", m);
}

}  // namespace

void CheckPlatformProcess(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    CheckCallerPlaces();
    CheckEndProcess();
    CheckStartProgram(folder);
    CheckCurrentFolderAndClock();
}

void EndProcessFor(const char* code) { os::EndProcess(std::strtoul(code, nullptr, 10)); }

}  // namespace e2e
