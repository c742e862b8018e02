// The program's entry: start-up, the message loop and shutdown.
#pragma once

#include <cstdint>

namespace app {

// Runs the program until its window is closed; returns the exit code (the quit message's
// wParam).
int32_t RunProgram();

// The steps before and after the message loop.
void StartUp();
void ShutDown();

// Reads tramox.ini into the record, puts it into the window and tests the loaded names.
void LoadSettings();

// How long shutdown waits for a worker to leave before the files are written.
constexpr int kWorkerCloseMilliseconds = 5000;

}  // namespace app
