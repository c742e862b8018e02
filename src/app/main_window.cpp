#include "app/main_window.h"

#include <cstring>

#include "app/window_proc.h"
#include "runtime/text.h"

namespace app {

const char* const kClassName = "tramox";

namespace {

using H = ControlHandles;
using K = ControlKind;

constexpr int32_t kCheckBoxX = 400;
constexpr int32_t kCheckBoxWidth = 240;
constexpr int32_t kCheckBoxHeight = 20;
constexpr int32_t kCheckBoxStep = 20;
constexpr uint8_t kProofQuality = 2;

const KindRow kKinds[] = {
    {"STATIC", 0x10000, 0x40000000},  // label: left-aligned, no click notification
    {"BUTTON", 0x10000, 0x40030300},  // push button: group, tab stop, centred
    {"BUTTON", 0x10000, 0x40030003},  // check box: group, tab stop, auto check box
    {"EDIT", 0x10200, 0x40020000},    // path edit: client edge, group, single line
    {"EDIT", 0x10000, 0x403108C4},    // console: scroll bars, multi-line, read-only
};

// The credit and author texts name no one: tramox is the project's own.
constexpr const char* kCreditText = "Free rescue copier";
constexpr const char* kAuthorText = "Team";

}  // namespace

const ControlRow kControls[kControlCount] = {
    {&H::consolePane, K::Console, "", 10, 150, 370, 200, kFontSmall, true},
    {&H::sourceEdit, K::PathEdit, "", 10, 20, 300, 20, kFontBold, true},
    {&H::destinyEdit, K::PathEdit, "", 10, 70, 300, 20, kFontBold, true},
    {&H::creditLabel, K::Label, kCreditText, 400, 410, 200, 14, kFontHeavy, true},
    {&H::sourceCaption, K::Label, "Source files", 10, 5, 300, 15, kFontSmall, true},
    {&H::destinyCaption, K::Label, "Destiny folder", 10, 55, 300, 15, kFontSmall, true},
    {&H::stateLine, K::Label, "Ready", 10, 375, 360, 15, kFontSmall, true},
    {&H::detailLine, K::Label, "", 10, 390, 390, 15, kFontSmall, true},
    {&H::settingsHeading, K::Label, "Settings", 400, 6, 240, 15, kFontUnderlined, true},
    {&H::progressLine, K::Label, "", 10, 405, 360, 15, kFontSmall, true},
    {&H::versionLabel, K::Label, nullptr, 400, 424, 200, 15, kFontSmall, true},
    {&H::productLabel, K::Label, "tramox", 400, 385, 70, 25, kFontTitle, true},
    {&H::authorLabel, K::Label, kAuthorText, 470, 392, 50, 15, kFontSmall, true},
    {&H::resultCaption, K::Label, "Result", 10, 132, 300, 15, kFontLarge, true},
    {&H::stateCaption, K::Label, "State", 10, 362, 360, 15, kFontSmall, true},
    {&H::copyButton, K::Button, "Copy", 10, 100, 60, 20, kFontBold, true},
    {&H::stopButton, K::Button, "Stop", 150, 100, 60, 20, kFontSmall, false},
    {&H::sourceBrowse, K::Button, "Browse", 320, 20, 60, 20, kFontSmall, true},
    {&H::destinyBrowse, K::Button, "Browse", 320, 70, 60, 20, kFontSmall, true},
    {&H::pauseButton, K::Button, "Pause", 80, 100, 60, 20, kFontSmall, false},
    {&H::clearButton, K::Button, "Clear", 220, 100, 60, 20, kFontSmall, true},
    {&H::rememberButton, K::Button, "Remember", 320, 100, 60, 20, kFontSmall, true},
};

const FontRow kFontRows[kFontCount] = {
    {7, 5, 0, false},      // small
    {24, 24, 1200, false},  // title: weights beyond the usual scale are passed as they are
    {9, 8, 1200, false},   // bold
    {7, 5, 900, false},    // heavy
    {7, 5, 0, true},       // underlined
    {16, 15, 500, false},  // large
};

const KindRow& KindOf(ControlKind kind) { return kKinds[static_cast<int>(kind)]; }

const char* VersionText() {
    static const ShortText text =
        ShortText("version v") + rt::NumberText(4) + "." + rt::NumberText(66);
    return text.c_str();
}

bool RegisterMainClass() {
    os::WindowClass windowClass{kClassName, kClassStyle, WindowProcedure, os::kStandardIcon,
                                os::kStandardArrow, 15 + 1};
    return os::RegisterWindowClass(windowClass);
}

os::Window CreateMainWindow() {
    os::Window window = os::MakeWindow(0, kClassName, kClassName, kMainStyle, os::kUseDefault,
                                       os::kUseDefault, kMainWidth, kMainHeight, 0);
    if (window == 0) return 0;
    Controls.mainWindow = window;  // the messages of the first show may paint the bar
    os::ShowWin(window, os::kShow);
    os::UpdateWin(window);
    return window;
}

namespace {

os::Window CreateControl(ControlKind kind, const char* caption, int32_t x, int32_t y,
                         int32_t width, int32_t height) {
    const KindRow& row = KindOf(kind);
    ShortText text(caption);
    os::Window control = os::MakeWindow(row.exStyle, row.className, text.c_str(), row.style, x,
                                        y, width, height, Controls.mainWindow);
    os::ShowWin(control, os::kShow);
    return control;
}

void CreateFonts() {
    for (int id = 0; id < kFontCount; ++id) {
        const FontRow& row = kFontRows[id];
        os::FontShape shape{};
        shape.height = row.height;
        shape.width = row.width;
        shape.weight = row.weight;
        shape.underline = row.underline ? 1 : 0;
        shape.quality = kProofQuality;
        std::strncpy(shape.face, "MS Sans Serif", sizeof shape.face);
        Controls.fonts[id] = os::MakeFont(shape);
    }
}

void SetFont(os::Window control, FontId font) {
    os::Send(control, os::kMsgSetFont, Controls.fonts[font], 1);
}

}  // namespace

void CreateControls() {
    for (const ControlRow& row : kControls) {
        const char* caption = row.caption ? row.caption : VersionText();
        os::Window control =
            CreateControl(row.kind, caption, row.x, row.y, row.width, row.height);
        Controls.*row.handle = control;
        if (row.kind == K::PathEdit || !row.enabled) os::EnableWin(control, row.enabled);
    }
    for (int box = 0; box < settings::kCheckBoxCount; ++box) {
        Controls.checkBoxes[box] =
            CreateControl(K::CheckBox, settings::CheckBoxField(box).checkBox, kCheckBoxX,
                          kCheckBoxStep * (box + 1), kCheckBoxWidth, kCheckBoxHeight);
    }
    CreateFonts();
    for (const ControlRow& row : kControls) SetFont(Controls.*row.handle, row.font);
    for (os::Window box : Controls.checkBoxes) SetFont(box, kFontSmall);
}

void DeleteFonts() {
    for (os::Font& font : Controls.fonts) {
        os::DeleteFont(font);
        font = 0;
    }
}

}  // namespace app
