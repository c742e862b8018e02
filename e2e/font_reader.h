// Reading the fonts of another program's controls through the hook library of font_probe.h.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// Hooks the thread that owns window; returns "" or what went wrong.
std::string StartFontReader(HWND window);
void StopFontReader();
// The font a control uses (WM_GETFONT then GetObjectA, in the control's own process); false
// when it has none, it cannot be read or the reader is not started.
bool ControlFont(HWND control, LOGFONTA* font);

}  // namespace e2e
