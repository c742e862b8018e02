// Reading the windows of another process: texts, places, states, styles, fonts and pixels.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// The direct children of a window in the order EnumChildWindows gives them (Z order, which is
// creation order for siblings nobody reordered).
std::vector<HWND> ChildWindows(HWND parent);
// The same children walked with GW_CHILD / GW_HWNDNEXT, to confirm the order above.
std::vector<HWND> ChildrenByZOrder(HWND parent);

std::string ClassName(HWND window);
// The text through WM_GETTEXT, which crosses processes (GetWindowTextA would not ask an edit).
std::string WindowText(HWND window);
// The outer rectangle of a child in its parent's client coordinates.
RECT RectInParent(HWND child);
// The outer size of a window.
SIZE OuterSize(HWND window);
bool IsChecked(HWND button);

// Client pixels as 0x00BBGGRR; a whole block read through one device context.
struct PixelBlock {
    int left, top, width, height;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[(y - top) * width + (x - left)]; }
};
PixelBlock ReadPixels(HWND window, int left, int top, int right, int bottom);

// Polls until condition() holds or timeoutMs passes; returns whether it held.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// Milliseconds between two QueryPerformanceCounter readings.
inline double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

}  // namespace e2e
