// The window class, the main window, every control in its creation order, and the six fonts.
#pragma once

#include <cstdint>

#include "output/controls.h"
#include "platform/os.h"

namespace app {

extern const char* const kClassName;  // "tramox", also the window's title
constexpr uint32_t kClassStyle = 203;  // VREDRAW, HREDRAW, DBLCLKS, CLASSDC, PARENTDC
constexpr uint32_t kMainStyle = 0x10CA0000u;  // visible, caption, system menu, minimise box
constexpr int32_t kMainWidth = 530;
constexpr int32_t kMainHeight = 466;

enum class ControlKind : uint8_t { Label, Button, CheckBox, PathEdit, Console };

struct KindRow {
    const char* className;
    uint32_t exStyle;
    uint32_t style;
};
const KindRow& KindOf(ControlKind kind);

struct ControlRow {
    os::Window ControlHandles::*handle;
    ControlKind kind;
    const char* caption;
    int32_t x, y, width, height;
    FontId font;
    bool enabled;
};
constexpr int kControlCount = 22;  // besides the eighteen check boxes
extern const ControlRow kControls[kControlCount];  // in creation order

struct FontRow {
    int32_t height, width, weight;
    bool underline;
};
extern const FontRow kFontRows[kFontCount];  // in creation order

// The version label's text: "version v4.66".
const char* VersionText();

bool RegisterMainClass();
os::Window CreateMainWindow();  // shows and updates it; 0 on failure
void CreateControls();  // every control, then the fonts, then WM_SETFONT for each
void DeleteFonts();

}  // namespace app
