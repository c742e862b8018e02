// Scenario "settings": tramox started on a hand-made tramox.ini shows it in its boxes, keeps the
// user's changes and writes the file back byte for byte; a tramox.ini that exists but cannot be
// read ends the program with the run-time error report and the error code as exit status.
#include <cctype>
#include <cstdio>
#include <vector>

#include "checks.h"
#include "file_bytes.h"
#include "main_window_table.h"
#include "program.h"
#include "scenarios.h"
#include "window_reading.h"

namespace e2e {

namespace {

// A file as a user might have edited it: mixed line ends, refused values, a duplicate, a remark,
// and a Ctrl-Z after which nothing counts.
const char kPreparedFile[] =
    "enableLog: no\r\n"
    "logSettings: yes\n"
    "verifyData: yes\r"
    "skipEmptyFiles: yes\r\n"
    "recognize: Yes\r\n"
    "forceAccess: yes \r\n"
    "htmlFont: Courier New Bold\r\n"
    "fontSizeHtmlLog: $10\r\n"
    "depthRead: 1\r\n"
    "depthWrite: 7\r\n"
    "depthWrite: 9\r\n"
    "depthVerify:  5\r\n"
    "numErrorsHalt: 8\r\n"
    "progressBarLatency: 99999999999\r\n"
    "logFileName: rescue log.htm\r\n"
    "browserPath: C:\\no such folder\\browser.exe\r\n"
    "; written by hand\r\n"
    "rememberWindowPosition: yes\r\n"
    "rememberWindowVertical: 200\r\n"
    "rememberWindowHorizontal: 150\r\n"
    "saveSourceFile: yes\r\n"
    "lastSourceFile: C:\\old disk\\photos\\*.jpg\r\n"
    "saveDestinyFolder: yes\r\n"
    "lastDestinyFolder: D:\\saved\r\n"
    "rememberFolder: D:\\rescued files\r\n"
    "haltOnFirstError: yes\r\n"
    "\x1A"
    "depthClose: 3\r\n";

// The eighteen boxes in creation order, and how the prepared file leaves them.
struct BoxState {
    const char* caption;
    bool checked;
};
const BoxState kBoxesAfterLoad[] = {
    {"Enable logging", false},       {"Overwrite log", true},         {"Log settings", true},
    {"Log statistics", true},        {"Display progress", true},      {"Show file details", true},
    {"Run minimized", false},        {"Verify copied data", true},    {"Recognize medium", false},
    {"Force faster copying", false}, {"Force file access", false},    {"Skip system files", false},
    {"Skip hidden files", false},    {"Skip read only files", false}, {"Skip empty files", true},
    {"Enable print result", true},   {"Halt on first error", true},   {"Save settings", true},
};

// The file written at exit after "Verify copied data" was clicked off, "Skip hidden files" ticked
// and the window moved; %d and %d are the client origin the window ended at.
const char kExpectedFile[] =
    "enableLog: no\r\n"
    "rewriteLog: yes\r\n"
    "logFileName: rescue log.htm\r\n"
    "backgroundColorHtmlLog: 0000FF\r\n"
    "fontColorHtmlLog: FFFFFF\r\n"
    "linkColorHtmlLog: FFAA00\r\n"
    "errorColorHtmlLog: FF0000\r\n"
    "warningColorHtmlLog: FFFF00\r\n"
    "noticeColorHtmlLog: 00FFFF\r\n"
    "htmlFont: Courier New Bold\r\n"
    "fontSizeHtmlLog: 16\r\n"
    "logStats: yes\r\n"
    "logSettings: yes\r\n"
    "showLogWhenDone: no\r\n"
    "watchProductVersion: yes\r\n"
    "updateTitle: yes\r\n"
    "proceedMinimized: no\r\n"
    "printProgress: yes\r\n"
    "printDetail: yes\r\n"
    "enableConsole: yes\r\n"
    "showProgressBar: yes\r\n"
    "progressBarLatency: 1\r\n"
    "clearConsole: no\r\n"
    "dumpResults: no\r\n"
    "recognize: no\r\n"
    "forceAccess: no\r\n"
    "subDamagedBitByZero: no\r\n"
    "destinyFileAttributeSystem: no\r\n"
    "destinyFileAttributeHidden: no\r\n"
    "destinyFileAttributeReadOnly: no\r\n"
    "skipSystemFiles: no\r\n"
    "skipHiddenFiles: yes\r\n"
    "skipReadOnlyFiles: no\r\n"
    "skipEmptyFiles: yes\r\n"
    "depthRead: 16\r\n"
    "depthWrite: 9\r\n"
    "depthAccess: 32\r\n"
    "depthClose: 8\r\n"
    "depthVerify: 5\r\n"
    "depthSearchSource: 2048\r\n"
    "depthSearchFolder: 1024\r\n"
    "depthTryCreateFolder: 2048\r\n"
    "depthPrepareSource: 4196\r\n"
    "depthPrepareDestiny: 4196\r\n"
    "depthOpenSource: 33568\r\n"
    "depthSearchDestiny: 2048\r\n"
    "depthCreateDestiny: 1024\r\n"
    "depthCloseSource: 512\r\n"
    "depthCloseDestiny: 8392\r\n"
    "depthSearch: 2048\r\n"
    "verifyData: no\r\n"
    "enableFasterCopy: no\r\n"
    "haltOnFirstError: yes\r\n"
    "numErrorsHalt: 32\r\n"
    "waitEnterAfterEachCopy: no\r\n"
    "exitAfterCopy: no\r\n"
    "saveSettings: yes\r\n"
    "rememberWindowPosition: yes\r\n"
    "rememberWindowVertical: %d\r\n"
    "rememberWindowHorizontal: %d\r\n"
    "saveSourceFile: yes\r\n"
    "lastSourceFile: C:\\old disk\\photos\\*.jpg\r\n"
    "saveDestinyFolder: yes\r\n"
    "lastDestinyFolder: D:\\rescued files\r\n"
    "rememberFolder: D:\\rescued files\r\n";

std::vector<HWND> CheckBoxes(HWND window) {
    std::vector<HWND> boxes;
    std::vector<HWND> children = ChildWindows(window);
    for (size_t i = 0; i < children.size() && i < kControlCount; ++i)
        if (kControlLooks[i].kind == Kind::CheckBox) boxes.push_back(children[i]);
    return boxes;
}

void CheckLoadedWindow(HWND window, const std::vector<HWND>& boxes) {
    std::string mismatches;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const BoxState& box = kBoxesAfterLoad[i];
        Compare(&mismatches, box.caption, box.checked, IsChecked(boxes[i]));
    }
    CheckClean("settings: the check boxes show the loaded flags", mismatches);
    Check("settings: the source box shows the saved source",
          WindowText(ControlNamed(window, "SourceEdit")) == "C:\\old disk\\photos\\*.jpg",
          WindowText(ControlNamed(window, "SourceEdit")));
    Check("settings: the destiny box shows the remembered folder",
          WindowText(ControlNamed(window, "DestinyEdit")) == "D:\\rescued files",
          WindowText(ControlNamed(window, "DestinyEdit")));
    RECT rect{};
    GetWindowRect(window, &rect);
    Check("settings: the window opens where the swapped keys put it",
          rect.left == 197 && rect.top == 128,
          "at " + std::to_string(rect.left) + "," + std::to_string(rect.top));
}

// Moves the window, clicks one box off, ticks another without a click and edits the source box.
// Returns the client origin the window was left at.
POINT ChangeLikeAUser(HWND window, const std::vector<HWND>& boxes) {
    SetWindowPos(window, nullptr, 260, 180, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(boxes[7], BM_CLICK, 0, 0);                // Verify copied data
    SendMessageA(boxes[12], BM_SETCHECK, BST_CHECKED, 0);  // Skip hidden files
    // Typing in the source box must not change the saved source.
    SendMessageA(ControlNamed(window, "SourceEdit"), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("E:\\typed but never saved"));
    Check("settings: a click unticks a box", !IsChecked(boxes[7]));
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

void RunRoundTrip(const ScenarioArguments& arguments, const std::string& folder) {
    std::string iniPath = folder + "\\tramox.ini";
    if (!Check("settings: prepared tramox.ini written",
               WriteWholeFile(iniPath, std::string(kPreparedFile, sizeof kPreparedFile - 1))))
        return;
    Program program;
    DWORD error = StartProgram(arguments.exe, folder, &program);
    if (!Check("settings: program starts", error == 0,
               "CreateProcess error " + std::to_string(error)))
        return;
    HWND window = WaitForMainWindow(program, kMainClass, 20000);
    if (Check("settings: main window appears", window != nullptr)) {
        std::vector<HWND> boxes = CheckBoxes(window);
        if (Check("settings: eighteen check boxes", boxes.size() == 18,
                  std::to_string(boxes.size()))) {
            CheckLoadedWindow(window, boxes);
            POINT origin = ChangeLikeAUser(window, boxes);
            DWORD exitCode = 0;
            if (Check("settings: closing ends the program",
                      CloseAndWait(program, window, 10000, &exitCode)))
                Check("settings: exit code 0", exitCode == 0, std::to_string(exitCode));
            char expected[sizeof kExpectedFile + 32];
            std::snprintf(expected, sizeof expected, kExpectedFile, static_cast<int>(origin.x),
                          static_cast<int>(origin.y));
            std::string written;
            bool read = ReadWholeFile(iniPath, &written);
            Check("settings: tramox.ini written back byte for byte", read && written == expected,
                  read ? FirstDifference(expected, written) : "tramox.ini cannot be read");
            Check("settings: testing the custom log name leaves no empty log behind",
                  GetFileAttributesA((folder + "\\rescue log.htm").c_str()) ==
                      INVALID_FILE_ATTRIBUTES);
        }
    }
    Release(&program);
}

// The first static text of a message box: its message.
std::string MessageText(HWND box) {
    for (HWND child : ChildWindows(box))
        if (lstrcmpiA(ClassName(child).c_str(), "Static") == 0 && !WindowText(child).empty())
            return WindowText(child);
    return "";
}

HWND ButtonOf(HWND box) {
    for (HWND child : ChildWindows(box))
        if (lstrcmpiA(ClassName(child).c_str(), "Button") == 0) return child;
    return nullptr;
}

bool StartsWithReport(const std::string& text, int code) {
    std::string head = "Runtime error " + std::to_string(code) + " at 0x";
    if (text.compare(0, head.size(), head) != 0 || text.size() < head.size() + 8) return false;
    for (size_t i = head.size(); i < head.size() + 8; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// Starts the program on a folder whose tramox.ini cannot be read and expects the report.
void RunUnreadable(const ScenarioArguments& arguments, const std::string& folder, const char* what,
                   int code) {
    Program program;
    DWORD error = StartProgram(arguments.exe, folder, &program);
    std::string name = std::string("settings: ") + what;
    if (!Check(name + ": program starts", error == 0, std::to_string(error))) return;
    HWND box = WaitForMainWindow(program, "#32770", 20000);
    if (Check(name + ": an error box appears", box != nullptr)) {
        Check(name + ": the box is captioned Error", WindowText(box) == "Error", WindowText(box));
        std::string text = MessageText(box);
        Check(name + ": the box reports runtime error " + std::to_string(code),
              StartsWithReport(text, code), "\"" + text + "\"");
        HWND main = WaitForMainWindow(program, kMainClass, 5000);
        Check(name + ": the main window takes no clicks while the report is up",
              main != nullptr && !IsWindowEnabled(main));
        HWND ok = ButtonOf(box);
        if (ok != nullptr) PostMessageA(ok, BM_CLICK, 0, 0);
        DWORD exitCode = 0;
        bool ended = WaitForSingleObject(program.process.hProcess, 10000) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(program.process.hProcess, &exitCode);
        if (Check(name + ": the program ends once the box is answered", ended))
            Check(name + ": the exit status is the code", exitCode == static_cast<DWORD>(code),
                  std::to_string(exitCode));
    }
    Release(&program);
}

void RunHeldFile(const ScenarioArguments& arguments, const std::string& folder) {
    std::string iniPath = folder + "\\tramox.ini";
    WriteWholeFile(iniPath, "saveSettings: yes\r\n");
    HANDLE held = CreateFileA(iniPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!Check("settings: tramox.ini held open without sharing", held != INVALID_HANDLE_VALUE))
        return;
    RunUnreadable(arguments, folder, "a tramox.ini held by another program",
                  ERROR_SHARING_VIOLATION);
    CloseHandle(held);
    std::string after;
    Check("settings: the held file is left as it was",
          ReadWholeFile(iniPath, &after) && after == "saveSettings: yes\r\n");
}

void RunFolderNamedIni(const ScenarioArguments& arguments, const std::string& folder) {
    if (!Check("settings: a folder named tramox.ini made",
               CreateDirectoryA((folder + "\\tramox.ini").c_str(), nullptr) != 0))
        return;
    RunUnreadable(arguments, folder, "a folder named tramox.ini", ERROR_ACCESS_DENIED);
}

std::string FreshSubfolder(const std::string& folder, const char* name) {
    std::string path = folder + "\\" + name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

}  // namespace

int RunSettingsScenario(const ScenarioArguments& arguments) {
    RunRoundTrip(arguments, FreshSubfolder(arguments.workFolder, "round-trip"));
    RunHeldFile(arguments, FreshSubfolder(arguments.workFolder, "held"));
    RunFolderNamedIni(arguments, FreshSubfolder(arguments.workFolder, "folder"));
    return Summary();
}

}  // namespace e2e
