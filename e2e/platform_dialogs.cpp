// The backend's message box and the two common dialogs, answered by a helper thread.
#include <windows.h>
// The shell's item lists need <windows.h> first.
#include <shlobj.h>

#include <functional>
#include <string>
#include <thread>

#include "checks.h"
#include "window_reading.h"
#include "platform/os.h"
#include "platform_checks.h"

namespace e2e {

namespace {

constexpr DWORD kDialogWaitMs = 10000;
constexpr int kFileNameIds[] = {0x47C, 0x480};  // cmb13 (explorer style), edt1

struct DialogSearch {
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM context) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId() || !IsWindowVisible(window) || ClassName(window) != "#32770")
        return TRUE;
    reinterpret_cast<DialogSearch*>(context)->found = window;
    return FALSE;
}

HWND FindDialog() {
    DialogSearch search{nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Runs `modal` while a helper thread waits for its dialog and lets `answer` handle it; a dialog
// still up afterwards is cancelled until it goes, so that the modal call cannot hang.
bool WithDialog(const std::function<void()>& modal, const std::function<void(HWND)>& answer) {
    bool appeared = false;
    std::thread helper([&] {
        HWND dialog = nullptr;
        appeared = WaitFor([&] { return (dialog = FindDialog()) != nullptr; }, kDialogWaitMs);
        if (!appeared) return;
        answer(dialog);
        while (!WaitFor([&] { return !IsWindow(dialog); }, kDialogWaitMs)) Press(dialog, IDCANCEL);
    });
    modal();
    helper.join();
    return appeared;
}

// A program built for 32 bits asks with the 76-byte record; the dialog must still open.
void CheckChooseFile(const std::string& folder) {
    std::string existing = folder + "\\pick.txt";
    CloseHandle(
        CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    char file[260] = {};
    os::OpenFileRecord record{76, 0, "Files\0*.*\0", file, 260, 0x8100E, "*"};
    bool chosen = false;
    bool appeared = WithDialog([&] { chosen = os::ChooseFile(record); },
                               [&](HWND dialog) {
                                   for (int id : kFileNameIds)
                                       SetDlgItemTextA(dialog, id, existing.c_str());
                                   Press(dialog, IDOK);
                               });
    std::string m;
    Compare(&m, "dialog appeared", 1, appeared);
    Compare(&m, "chosen", 1, chosen);
    Compare(&m, "file", existing, file);
    CheckClean("platform dialogs: the file dialog opens with the 32-bit record size", m);
}

void CheckBrowseFolder(const std::string& folder) {
    char name[260] = {};
    os::BrowseRecord record{0, 0, name, "", 0};
    os::ItemList list = 1;
    bool appeared = WithDialog([&] { list = os::BrowseFolder(record); },
                               [](HWND dialog) { Press(dialog, IDCANCEL); });
    Check("platform dialogs: the folder dialog opens and a cancel gives no list",
          appeared && list == 0, appeared ? "list " + Hex(list) : "no dialog");

    // Through the wide call, which has no MAX_PATH limit (Wine makes no item list for a longer
    // path, so only the simulated platform shows a long one whole).
    std::string m, path;
    std::wstring wide(folder.begin(), folder.end());
    auto item = reinterpret_cast<os::ItemList>(ILCreateFromPathW(wide.c_str()));
    Compare(&m, "converted", 1, item != 0 && os::PathFromItemList(item, &path));
    if (lstrcmpiA(path.c_str(), folder.c_str()) != 0) Compare(&m, "path", folder, path);
    if (item != 0) os::FreeItemList(item);
    CheckClean("platform dialogs: an item list turns back into its path", m);
}

void CheckMessageBox() {
    std::string caption, texts;
    int32_t answer = 0;
    bool appeared = WithDialog(
        [&] { answer = os::ShowMessageBox(0, "Runtime error 5 at 0x00401000", "Error", 0x10); },
        [&](HWND box) {
            caption = WindowText(box);
            for (HWND child : ChildWindows(box)) texts += WindowText(child) + "|";
            Press(box, IDOK);
        });
    std::string m;
    Compare(&m, "box appeared", 1, appeared);
    Compare(&m, "caption", "Error", caption);
    if (texts.find("Runtime error 5 at 0x00401000|") == std::string::npos)
        Note(&m, "text not shown among \"" + texts + "\"");
    Compare(&m, "answer", IDOK, answer);
    CheckClean("platform dialogs: the message box shows its caption and text", m);
}

}  // namespace

void CheckPlatformDialogs(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    CheckMessageBox();
    CheckChooseFile(folder);
    CheckBrowseFolder(folder);
}

}  // namespace e2e
