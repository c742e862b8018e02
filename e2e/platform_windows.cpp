// The backend's window class trampoline, windows, controls, messages, fonts and pixels.
#include <windows.h>

#include <cstring>

#include "checks.h"
#include "platform/os.h"
#include "platform_checks.h"

namespace e2e {

namespace {

constexpr const char* kTestClass = "tramox-e2e";
constexpr uint32_t kMsgAnswer = os::kMsgApp + 1;
constexpr uint32_t kMsgPosted = os::kMsgApp + 2;

struct Seen {
    os::Window created = 0;
    int posted = 0;
    uintptr_t postedWParam = 0;
    intptr_t postedLParam = 0;
};
Seen seen;

intptr_t TestProcedure(os::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case WM_CREATE:
            seen.created = window;
            return 0;
        case kMsgAnswer:
            return static_cast<intptr_t>(wParam) * 1000 + lParam;
        case kMsgPosted:
            ++seen.posted;
            seen.postedWParam = wParam;
            seen.postedLParam = lParam;
            return 0;
        default:
            return os::DefaultProc(window, message, wParam, lParam);
    }
}

os::Window MakeTestWindow() {
    os::WindowClass windowClass{kTestClass,         203, TestProcedure, os::kStandardIcon,
                                os::kStandardArrow, 16};
    bool first = os::RegisterWindowClass(windowClass);
    bool second = os::RegisterWindowClass(windowClass);
    Check("platform windows: a class registers once", first && !second);
    os::Window window = os::MakeWindow(0, kTestClass, "e2e", 0x10CA0000u, os::kUseDefault,
                                       os::kUseDefault, 530, 466, 0);
    os::ShowWin(window, os::kShow);
    os::UpdateWin(window);
    return window;
}

void CheckClass(os::Window window) {
    HWND handle = reinterpret_cast<HWND>(window);
    std::string m;
    Compare(&m, "style", 203, GetClassLongA(handle, GCL_STYLE));
    Compare(&m, "class bytes", 0, GetClassLongA(handle, GCL_CBCLSEXTRA));
    Compare(&m, "window bytes", 0, GetClassLongA(handle, GCL_CBWNDEXTRA));
    if (GetClassLongPtrA(handle, GCLP_HICON) !=
        reinterpret_cast<ULONG_PTR>(LoadIconA(nullptr, MAKEINTRESOURCEA(32512))))
        Note(&m, "icon is not the application icon");
    if (GetClassLongPtrA(handle, GCLP_HCURSOR) !=
        reinterpret_cast<ULONG_PTR>(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))))
        Note(&m, "cursor is not the arrow");
    Compare(&m, "background", 16, GetClassLongPtrA(handle, GCLP_HBRBACKGROUND));
    CheckClean("platform windows: class as registered", m);
}

void CheckMessages(os::Window window) {
    std::string m;
    Compare(&m, "WM_CREATE reached the procedure for", window, seen.created);
    Compare(&m, "sent", 7 * 1000 - 5, os::Send(window, kMsgAnswer, 7, -5));
    CheckClean("platform windows: the procedure gets creation and sent messages", m);

    m.clear();
    os::Post(window, kMsgPosted, 3, -4);
    os::Message message{};
    int32_t got = 0;
    while ((got = os::NextMessage(&message)) > 0 && message.message != kMsgPosted) {
        os::TranslateMsg(message);
        os::DispatchMsg(message);
    }
    Compare(&m, "NextMessage", 1, got);
    Compare(&m, "window", window, message.window);
    Compare(&m, "wParam", 3, message.wParam);
    Compare(&m, "lParam", -4, message.lParam);
    os::DispatchMsg(message);
    Compare(&m, "dispatched", 1, seen.posted);
    Compare(&m, "dispatched lParam", -4, seen.postedLParam);
    CheckClean("platform windows: a posted message is fetched and dispatched", m);

    m.clear();
    os::PostQuit(9);
    while ((got = os::NextMessage(&message)) > 0) os::DispatchMsg(message);
    Compare(&m, "NextMessage", 0, got);
    Compare(&m, "message", os::kMsgQuit, message.message);
    Compare(&m, "exit code", 9, message.wParam);
    CheckClean("platform windows: the quit message ends the loop with its code", m);
}

void CheckControl(os::Window window) {
    os::Window box =
        os::MakeWindow(0x10000, "BUTTON", "Browse...", 0x40030003, 30, 40, 100, 20, window);
    os::ShowWin(box, os::kShow);
    std::string m;
    os::Send(box, os::kMsgButtonSetCheck, os::kCheckChecked, 0);
    Compare(&m, "check", os::kCheckChecked, os::Send(box, os::kMsgButtonGetCheck, 0, 0));
    char text[4];
    Compare(&m, "GetText count", 3, os::GetText(box, text, sizeof text));
    Compare(&m, "GetText", "Bro", text);
    Compare(&m, "TextLength", 9, os::TextLength(box));
    os::SetText(box, "Go");
    Compare(&m, "text set", 2, os::TextLength(box));
    Compare(&m, "disable reports was disabled", 0, os::EnableWin(box, false));
    Compare(&m, "disabled", 0, os::IsWinEnabled(box));
    Compare(&m, "enable reports was disabled", 1, os::EnableWin(box, true));
    os::Rect outer = os::WindowRect(window), before = os::WindowRect(box);
    os::MoveWin(box, 50, 60, 120, 24, true);
    os::Rect after = os::WindowRect(box);
    Compare(&m, "main width", 530, outer.right - outer.left);
    Compare(&m, "main height", 466, outer.bottom - outer.top);
    Compare(&m, "moved right by", 20, after.left - before.left);
    Compare(&m, "moved down by", 20, after.top - before.top);
    Compare(&m, "new width", 120, after.right - after.left);
    Compare(&m, "new height", 24, after.bottom - after.top);
    Compare(&m, "destroyed", 1, os::DestroyWin(box));
    CheckClean("platform windows: control check state, text, enabling and moving", m);
}

void CheckFont(os::Window window) {
    os::Window label =
        os::MakeWindow(0x10000, "STATIC", "tramox", 0x40000000, 400, 385, 70, 25, window);
    os::FontShape shape{24, 24, 0, 0, 1200, 0, 1, 0, 0, 0, 0, 2, 0, "MS Sans Serif"};
    os::Font font = os::MakeFont(shape);
    os::Send(label, os::kMsgSetFont, font, 1);
    std::string m;
    Compare(&m, "WM_GETFONT", font, os::Send(label, os::kMsgGetFont, 0, 0));
    LOGFONTA read{};
    GetObjectA(reinterpret_cast<HFONT>(font), sizeof read, &read);
    Compare(&m, "height", 24, read.lfHeight);
    Compare(&m, "width", 24, read.lfWidth);
    Compare(&m, "weight", 1200, read.lfWeight);
    Compare(&m, "underline", 1, read.lfUnderline);
    Compare(&m, "quality", 2, read.lfQuality);
    Compare(&m, "face", "MS Sans Serif", read.lfFaceName);
    os::DestroyWin(label);
    Compare(&m, "deleted", 1, os::DeleteFont(font));
    CheckClean("platform windows: a font keeps what it was made with", m);
}

void CheckPixels(os::Window window) {
    constexpr uint32_t kColor = 0x00804020;  // red 0x20, green 0x40, blue 0x80
    os::DeviceContext dc = os::GetDeviceContext(window);
    os::FillBlock(dc, 10, 420, 17, 427, kColor);
    os::SetPixelColor(dc, 100, 100, 0x00123456);
    std::string m;
    Compare(&m, "block top left", kColor, os::GetPixelColor(dc, 10, 420));
    Compare(&m, "block bottom right", kColor, os::GetPixelColor(dc, 16, 426));
    uint32_t face = GetSysColor(COLOR_BTNFACE);
    Compare(&m, "right of the block", face, os::GetPixelColor(dc, 17, 420));
    Compare(&m, "below the block", face, os::GetPixelColor(dc, 10, 427));
    Compare(&m, "single pixel", 0x00123456, os::GetPixelColor(dc, 100, 100));
    os::ReleaseDeviceContext(window, dc);
    CheckClean("platform windows: blocks and pixels in exact colours on button face", m);
}

}  // namespace

void CheckPlatformWindows() {
    os::Window window = MakeTestWindow();
    if (!Check("platform windows: window made", window != 0)) return;
    CheckClass(window);
    CheckMessages(window);
    CheckControl(window);
    CheckFont(window);
    CheckPixels(window);
    Check("platform windows: window destroyed", os::DestroyWin(window));
}

}  // namespace e2e
