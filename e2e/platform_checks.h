// Checks of tramox's Win32 backend (platform/os.h) against the real system: the simulated
// platform the unit tests use claims the same answers, and these checks hold the claim to it.
#pragma once

#include <string>

namespace e2e {

// Each takes a fresh folder of its own to work in.
void CheckPlatformFiles(const std::string& folder);
void CheckPlatformWindows();
void CheckPlatformProcess(const std::string& folder);
void CheckPlatformDialogs(const std::string& folder);

// The driver's "end-process <code>" subcommand, which CheckPlatformProcess starts.
[[noreturn]] void EndProcessFor(const char* code);

}  // namespace e2e
