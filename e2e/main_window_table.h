// What the main window of a freshly started tramox looks like, control by control.
#pragma once

#include <windows.h>

namespace e2e {

enum class Kind { Label, Button, CheckBox, PathEdit, Console };

struct KindLook {
    const char* className;
    DWORD style;
    DWORD exStyle;
};
const KindLook& LookOf(Kind kind);

struct FontLook {
    LONG height, width, weight;
    bool underline;
};
extern const FontLook kSmall, kTitle, kBold, kHeavy, kUnderlined, kLarge;

struct ControlLook {
    const char* name;
    Kind kind;
    const char* text;  // nullptr: any text that is not empty
    int x, y, width, height;
    const FontLook* font;
    bool enabled;
    bool checked;  // with no settings file, for check boxes
};
constexpr int kControlCount = 40;
extern const ControlLook kControlLooks[kControlCount];  // in creation order

// The control of that name in a main window, found by its place in creation order; nullptr when
// the window has fewer controls.
HWND ControlNamed(HWND window, const char* name);

constexpr const char* kMainClass = "tramox";
constexpr int kMainWidth = 530, kMainHeight = 466;
// The system-menu item "Rescue readable bytes first": Wine keeps a process's menus to itself,
// so the driver sends its command rather than finding it in the menu.
constexpr unsigned kReadableFirstCommand = 0x0010;

}  // namespace e2e
