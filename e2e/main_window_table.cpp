#include "main_window_table.h"

#include <cstring>

#include "window_reading.h"

namespace e2e {

namespace {

const KindLook kLooks[] = {
    {"Static", 0x40000000, 0x10000},  // label
    {"Button", 0x40030300, 0x10000},  // push button
    {"Button", 0x40030003, 0x10000},  // check box
    {"Edit", 0x40020000, 0x10200},    // path edit
    {"Edit", 0x403108C4, 0x10000},    // console
};

constexpr Kind L = Kind::Label, B = Kind::Button, C = Kind::CheckBox;

}  // namespace

const KindLook& LookOf(Kind kind) { return kLooks[static_cast<int>(kind)]; }

const FontLook kSmall{7, 5, 0, false};
const FontLook kTitle{24, 24, 1200, false};
const FontLook kBold{9, 8, 1200, false};
const FontLook kHeavy{7, 5, 900, false};
const FontLook kUnderlined{7, 5, 0, true};
const FontLook kLarge{16, 15, 500, false};

const ControlLook kControlLooks[kControlCount] = {
    {"ConsolePane", Kind::Console, "", 10, 150, 370, 200, &kSmall, true, false},
    {"SourceEdit", Kind::PathEdit, "", 10, 20, 300, 20, &kBold, true, false},
    {"DestinyEdit", Kind::PathEdit, "", 10, 70, 300, 20, &kBold, true, false},
    {"credit label", L, nullptr, 400, 410, 200, 14, &kHeavy, true, false},
    {"source caption", L, "Source files", 10, 5, 300, 15, &kSmall, true, false},
    {"destiny caption", L, "Destiny folder", 10, 55, 300, 15, &kSmall, true, false},
    {"StateLine", L, "Ready", 10, 375, 360, 15, &kSmall, true, false},
    {"DetailLine", L, "", 10, 390, 390, 15, &kSmall, true, false},
    {"settings heading", L, "Settings", 400, 6, 240, 15, &kUnderlined, true, false},
    {"ProgressLine", L, "", 10, 405, 360, 15, &kSmall, true, false},
    {"version label", L, "version v4.66", 400, 424, 200, 15, &kSmall, true, false},
    {"product-name label", L, "tramox", 400, 385, 70, 25, &kTitle, true, false},
    {"author label", L, nullptr, 470, 392, 50, 15, &kSmall, true, false},
    {"result caption", L, "Result", 10, 132, 300, 15, &kLarge, true, false},
    {"state caption", L, "State", 10, 362, 360, 15, &kSmall, true, false},
    {"Copy button", B, "Copy", 10, 100, 60, 20, &kBold, true, false},
    {"Stop button", B, "Stop", 150, 100, 60, 20, &kSmall, false, false},
    {"source Browse button", B, "Browse", 320, 20, 60, 20, &kSmall, true, false},
    {"destiny Browse button", B, "Browse", 320, 70, 60, 20, &kSmall, true, false},
    {"Pause button", B, "Pause", 80, 100, 60, 20, &kSmall, false, false},
    {"Clear button", B, "Clear", 220, 100, 60, 20, &kSmall, true, false},
    {"Remember button", B, "Remember", 320, 100, 60, 20, &kSmall, true, false},
    {"enableLog box", C, "Enable logging", 400, 20, 240, 20, &kSmall, true, true},
    {"rewriteLog box", C, "Overwrite log", 400, 40, 240, 20, &kSmall, true, true},
    {"logSettings box", C, "Log settings", 400, 60, 240, 20, &kSmall, true, false},
    {"logStats box", C, "Log statistics", 400, 80, 240, 20, &kSmall, true, true},
    {"printProgress box", C, "Display progress", 400, 100, 240, 20, &kSmall, true, true},
    {"printDetail box", C, "Show file details", 400, 120, 240, 20, &kSmall, true, true},
    {"proceedMinimized box", C, "Run minimized", 400, 140, 240, 20, &kSmall, true, false},
    {"verifyData box", C, "Verify copied data", 400, 160, 240, 20, &kSmall, true, false},
    {"recognize box", C, "Recognize medium", 400, 180, 240, 20, &kSmall, true, false},
    {"enableFasterCopy box", C, "Force faster copying", 400, 200, 240, 20, &kSmall, true, false},
    {"forceAccess box", C, "Force file access", 400, 220, 240, 20, &kSmall, true, false},
    {"skipSystemFiles box", C, "Skip system files", 400, 240, 240, 20, &kSmall, true, false},
    {"skipHiddenFiles box", C, "Skip hidden files", 400, 260, 240, 20, &kSmall, true, false},
    {"skipReadOnlyFiles box", C, "Skip read only files", 400, 280, 240, 20, &kSmall, true, false},
    {"skipEmptyFiles box", C, "Skip empty files", 400, 300, 240, 20, &kSmall, true, false},
    {"enableConsole box", C, "Enable print result", 400, 320, 240, 20, &kSmall, true, true},
    {"haltOnFirstError box", C, "Halt on first error", 400, 340, 240, 20, &kSmall, true, false},
    {"saveSettings box", C, "Save settings", 400, 360, 240, 20, &kSmall, true, true},
};

HWND ControlNamed(HWND window, const char* name) {
    std::vector<HWND> children = ChildWindows(window);
    for (size_t i = 0; i < children.size() && i < kControlCount; ++i)
        if (std::strcmp(kControlLooks[i].name, name) == 0) return children[i];
    return nullptr;
}

}  // namespace e2e
