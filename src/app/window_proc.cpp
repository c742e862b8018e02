#include "app/window_proc.h"

#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "output/console.h"
#include "output/controls.h"
#include "output/display.h"
#include "output/progress_bar.h"
#include "settings/settings.h"

namespace app {

namespace {

constexpr uint32_t kFileRecordSize = 76;
constexpr uint32_t kPathBuffer = 32768;  // the longest path Windows allows
// Explorer look, file must exist, keep the current directory, no read-only box, overwrite prompt.
constexpr uint32_t kFileDialogFlags = 0x8100E;
constexpr char kFileFilter[] = "Files\0*.*\0";  // the literal adds the closing zero

// Below 0xF000, where Windows's own commands begin, with the low four bits clear.
constexpr uint32_t kReadableFirstCommand = 0x0010;

uint16_t LowWord(intptr_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
uint16_t HighWord(intptr_t value) { return static_cast<uint16_t>((value >> 16) & 0xFFFF); }

// Where Windows parks a minimised window's client origin: -32000 on both axes.
constexpr uint16_t kParkedOrigin = static_cast<uint16_t>(-32000);

// The run hears of the close first: from then on the worker leaves Settings to this last sync.
void OnClose() {
    engine::CloseCopyRun();
    output::SyncCheckBoxes();
}

void OnMove(intptr_t lParam) {
    // The client origin is recorded whatever rememberWindowPosition says, except the parking
    // place of a minimised window: saved, it would open the next start off screen.
    bool parked = LowWord(lParam) == kParkedOrigin && HighWord(lParam) == kParkedOrigin;
    if (!parked) {
        Settings.rememberWindowVertical = LowWord(lParam);
        Settings.rememberWindowHorizontal = HighWord(lParam);
    }
    RepaintProgressBar();
}

void OnPauseButton() {
    if (CopyJob.state != JobState::Paused)
        engine::PauseCopyRun();
    else
        engine::ResumeCopyRun();
}

// Each comparison stands on its own, in this order.
void OnButton(os::Window sender) {
    output::SyncCheckBoxes();
    if (sender == Controls.copyButton) engine::StartCopyRun();
    if (sender == Controls.stopButton) engine::StopCopyRun();
    if (sender == Controls.sourceBrowse && ChooseSourceFile())
        os::SetText(Controls.sourceEdit, engine::LoadPath(&CopyJobRecord::sourceSpec).c_str());
    if (sender == Controls.destinyBrowse && ChooseDestinyFolder())
        os::SetText(Controls.destinyEdit, engine::LoadPath(&CopyJobRecord::destinyPath).c_str());
    if (sender == Controls.clearButton) output::ClearConsole();
    if (sender == Controls.rememberButton)
        Settings.rememberFolder = engine::LoadPath(&CopyJobRecord::destinyPath);
    if (sender == Controls.pauseButton) OnPauseButton();
}

void OnCommand(uintptr_t wParam, intptr_t lParam) {
    uint16_t code = HighWord(static_cast<intptr_t>(wParam));
    if (code == os::kNotifyEditChange)
        output::SyncCheckBoxes();
    else if (code == os::kNotifyClicked)
        OnButton(static_cast<os::Window>(lParam));
}

}  // namespace

bool ChooseSourceFile() {
    std::vector<char> buffer(kPathBuffer, 0);
    char* file = buffer.data();
    os::OpenFileRecord record{};
    record.structSize = kFileRecordSize;
    record.owner = Controls.mainWindow;
    record.filter = kFileFilter;
    record.file = file;
    record.maxFile = kPathBuffer;
    record.flags = kFileDialogFlags;
    record.defaultExtension = "*";
    bool chosen = os::ChooseFile(record);
    file[kPathBuffer - 1] = 0;
    if (file[0] != 0) engine::StorePath(&CopyJobRecord::sourceSpec, file);
    return chosen;
}

bool ChooseDestinyFolder() {
    os::BrowseRecord record{Controls.mainWindow, 0, nullptr, "", 0};
    os::ItemList list = os::BrowseFolder(record);
    if (list == 0) return false;
    std::string path;
    os::PathFromItemList(list, &path);
    os::FreeItemList(list);
    engine::StorePath(&CopyJobRecord::destinyPath, path);
    return true;
}

void AddSystemMenuItems() {
    os::AppendSystemMenuItem(Controls.mainWindow, os::kMenuSeparator, 0, nullptr);
    os::AppendSystemMenuItem(Controls.mainWindow, Settings.readableFirst ? os::kMenuChecked : 0,
                             kReadableFirstCommand, "Rescue readable bytes first");
}

void RepaintProgressBar() {
    if (!Settings.showProgressBar || Controls.mainWindow == 0) return;
    output::DrawProgressBar(output::FilledCells(CopyJob.percent), output::kProgressCells);
}

intptr_t WindowProcedure(os::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case os::kMsgDestroy:
            OnClose();
            os::PostQuit(0);
            return 0;
        case os::kMsgMove:
            OnMove(lParam);
            break;
        case os::kMsgActivate:
        case os::kMsgSetFocus:
        case os::kMsgKillFocus:
        case os::kMsgEnable:
        case os::kMsgShowWindow:
            RepaintProgressBar();
            break;
        case os::kMsgClose:
            OnClose();
            break;
        case os::kMsgCommand:
            OnCommand(wParam, lParam);
            break;
        case os::kMsgSysCommand:
            if ((wParam & os::kSysCommandMask) != kReadableFirstCommand) break;
            Settings.readableFirst = !Settings.readableFirst;  // a run reads it at its start
            os::CheckSystemMenuItem(window, kReadableFirstCommand, Settings.readableFirst);
            return 0;
        case kMsgRefreshConsole:
            output::ShowConsoleText();
            break;
        case kMsgShowQueued:
            output::ShowQueued();
            break;
        case kMsgHoldForErrorBox:
            os::EnableWin(window, false);
            break;
        default:
            break;
    }
    return os::DefaultProc(window, message, wParam, lParam);
}

}  // namespace app
