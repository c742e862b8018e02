// Scenario "window": a fresh start shows the main window, its controls, fonts, check boxes and
// the empty progress bar, and closing the window ends the program with exit code 0.
#include <cstdio>

#include "checks.h"
#include "font_reader.h"
#include "window_reading.h"
#include "main_window_table.h"
#include "program.h"
#include "progress_bar_check.h"
#include "scenarios.h"

namespace e2e {

namespace {

// Bits Windows adds to what the program asked for, or that are checked on their own: visible,
// clip siblings and disabled (the enabled check tells that apart).
constexpr DWORD kStyleAddedByWindows = WS_VISIBLE | WS_CLIPSIBLINGS | WS_DISABLED;
// Edit controls add their own ES_ bits: only the window bits and the ones asked for count.
constexpr DWORD kEditOwnBits = 0x0000FFFF;

void CheckMainWindow(HWND window) {
    Check("main window title", WindowText(window) == kMainClass, "\"" + WindowText(window) + "\"");
    SIZE size = OuterSize(window);
    std::string mismatches;
    Compare(&mismatches, "width", kMainWidth, size.cx);
    Compare(&mismatches, "height", kMainHeight, size.cy);
    CheckClean("main window outer size 530x466", mismatches);
    DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    bool fixed = (style & (WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0;
    bool framed = (style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) ==
                  (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    Check("main window has caption and minimise box, no maximise box or sizing border",
          fixed && framed, "style " + Hex(style));
}

std::string Describe(int index, const ControlLook& look) {
    return std::to_string(index) + " " + look.name;
}

void CompareStyles(std::string* mismatches, HWND control, const KindLook& kind) {
    DWORD ignored = kStyleAddedByWindows;
    if (lstrcmpiA(kind.className, "Edit") == 0) ignored |= kEditOwnBits & ~kind.style;
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)) & ~ignored;
    DWORD exStyle = static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE));
    if (style != kind.style)
        Note(mismatches, "style: expected " + Hex(kind.style) + ", got " + Hex(style));
    if ((exStyle & kind.exStyle) != kind.exStyle)
        Note(mismatches, "extended style: expected " + Hex(kind.exStyle) + " in " + Hex(exStyle));
}

void CheckControl(int index, HWND control, const ControlLook& look) {
    const KindLook& kind = LookOf(look.kind);
    std::string mismatches;
    std::string className = ClassName(control);
    if (lstrcmpiA(className.c_str(), kind.className) != 0)
        Compare(&mismatches, "class", kind.className, className);
    std::string text = WindowText(control);
    if (look.text != nullptr)
        Compare(&mismatches, "text", look.text, text);
    else if (text.empty())
        Compare(&mismatches, "text", "(any)", text);
    RECT rect = RectInParent(control);
    Compare(&mismatches, "x", look.x, rect.left);
    Compare(&mismatches, "y", look.y, rect.top);
    Compare(&mismatches, "width", look.width, rect.right - rect.left);
    Compare(&mismatches, "height", look.height, rect.bottom - rect.top);
    Compare(&mismatches, "enabled", look.enabled, IsWindowEnabled(control) != 0);
    CompareStyles(&mismatches, control, kind);
    CheckClean("control " + Describe(index, look), mismatches);
}

void CheckFont(int index, HWND control, const ControlLook& look) {
    LOGFONTA font{};
    std::string mismatches;
    if (!ControlFont(control, &font)) {
        Note(&mismatches, "no readable font");
    } else {
        Compare(&mismatches, "height", look.font->height, font.lfHeight);
        Compare(&mismatches, "width", look.font->width, font.lfWidth);
        Compare(&mismatches, "weight", look.font->weight, font.lfWeight);
        Compare(&mismatches, "underline", look.font->underline, font.lfUnderline != 0);
        Compare(&mismatches, "italic", 0, font.lfItalic);
        Compare(&mismatches, "strike-out", 0, font.lfStrikeOut);
        Compare(&mismatches, "quality", PROOF_QUALITY, font.lfQuality);
        Compare(&mismatches, "face", "MS Sans Serif", font.lfFaceName);
    }
    CheckClean("font " + Describe(index, look), mismatches);
}

void CheckDefaultBoxes(const std::vector<HWND>& children) {
    std::string mismatches;
    for (int i = 0; i < kControlCount && i < static_cast<int>(children.size()); ++i) {
        const ControlLook& look = kControlLooks[i];
        if (look.kind != Kind::CheckBox) continue;
        bool checked = IsChecked(children[i]);
        if (checked != look.checked)
            Note(&mismatches,
                 std::string(look.text) + (checked ? " is checked" : " is not checked"));
    }
    CheckClean("check boxes show the default settings", mismatches);
}

void CheckControls(HWND window) {
    std::vector<HWND> children = ChildWindows(window);
    Check("children enumerate in Z order", children == ChildrenByZOrder(window),
          "EnumChildWindows and GW_HWNDNEXT disagree");
    if (!Check("40 controls", children.size() == kControlCount,
               std::to_string(children.size()) + " child windows"))
        return;
    for (int i = 0; i < kControlCount; ++i) CheckControl(i, children[i], kControlLooks[i]);
    std::string problem = StartFontReader(window);
    if (Check("fonts can be read", problem.empty(), problem))
        for (int i = 0; i < kControlCount; ++i) CheckFont(i, children[i], kControlLooks[i]);
    StopFontReader();
    CheckDefaultBoxes(children);
}

}  // namespace

int RunWindowScenario(const ScenarioArguments& arguments) {
    Program program;
    DWORD error = StartProgram(arguments.exe, arguments.workFolder, &program);
    if (!Check("program starts", error == 0, "CreateProcess error " + std::to_string(error)))
        return Summary();
    HWND window = WaitForMainWindow(program, kMainClass, 20000);
    DWORD early = 0;
    std::string absent = HasEnded(program, &early)
                             ? "the program ended with exit code " + std::to_string(early)
                             : "no window of class tramox in 20 s";
    if (Check("main window appears", window != nullptr, absent)) {
        CheckMainWindow(window);
        CheckControls(window);
        CheckProgressBar(window, 0);
        if (!arguments.holdFolder.empty())
            Check("screenshot taken", HoldForScreenshot(arguments.holdFolder, 30000),
                  "no screenshot.done in 30 s");
        DWORD exitCode = 0;
        if (Check("closing the window ends the program",
                  TimeCloseAndWait(program, window, arguments.workFolder + "\\tramox.ini",
                                   "with the worker idle", 10000, &exitCode),
                  "still running 10 s after WM_CLOSE"))
            Check("exit code 0", exitCode == 0, "exit code " + std::to_string(exitCode));
    }
    Release(&program);
    return Summary();
}

}  // namespace e2e
