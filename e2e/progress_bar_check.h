// The progress bar tramox paints into its main window's client area.
#pragma once

#include <windows.h>

namespace e2e {

// Checks the 40 cells with the first `filled` ones blue and the rest grey, and the background
// between them.
void CheckProgressBar(HWND window, int filled);

}  // namespace e2e
