#include "app/startup.h"

#include <atomic>
#include <thread>

#include "app/main_window.h"
#include "app/window_proc.h"
#include "engine/copy_job.h"
#include "output/console.h"
#include "output/controls.h"
#include "output/html_log.h"
#include "output/progress_bar.h"
#include "runtime/io_result.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "output/display.h"

namespace app {

namespace {

// The client origin is 3 pixels right of and 22 below the window's corner.
constexpr int32_t kClientLeft = 3;
constexpr int32_t kClientTop = 22;

constexpr const char* kNoWindowText = "tramox could not open its window.";
constexpr int32_t kNoWindowExitCode = 1;

std::atomic<std::thread::id> mainThread;

// Before a run-time error box: the main window takes no input until the process ends. Another
// thread only posts, as the main thread may be waiting for the lock the failing thread holds.
void HoldMainWindow() {
    os::Window window = Controls.mainWindow;
    if (window == 0) return;
    if (std::this_thread::get_id() == mainThread.load())
        os::EnableWin(window, false);
    else
        os::Post(window, kMsgHoldForErrorBox, 0, 0);
}

}  // namespace

void StartUp() {
    mainThread = std::this_thread::get_id();
    rt::SetErrorReportHook(&HoldMainWindow);
    Controls = ControlHandles{};
    engine::ResetJob();
    output::ResetConsole();
    output::ResetQueued();
    output::ResetLog();
    RegisterMainClass();
    CreateMainWindow();
    settings::SetDefaultSettings();
    CreateControls();
    LoadSettings();
    AddSystemMenuItems();
    // The file keeps x under rememberWindowVertical and y under rememberWindowHorizontal.
    if (Settings.rememberWindowPosition)
        os::MoveWin(Controls.mainWindow, Settings.rememberWindowVertical - kClientLeft,
                    Settings.rememberWindowHorizontal - kClientTop, kMainWidth, kMainHeight, true);
    CopyJob.state = JobState::Idle;
    output::DrawProgressBar(0, output::kProgressCells);
}

namespace {

int32_t RunLoop() {
    os::Message message{};
    while (os::NextMessage(&message) > 0) {
        os::TranslateMsg(message);
        os::DispatchMsg(message);
    }
    return static_cast<int32_t>(message.wParam);
}

}  // namespace

void ShutDown() {
    // A settings report still reading tramox.ini on the worker must be done before it is
    // rewritten; the wait is bounded so that closing never hangs.
    engine::CloseWorker(kWorkerCloseMilliseconds);
    if (Settings.saveSettings) settings::WriteSettingsFile();
    DeleteFonts();
    if (!Settings.dumpResults) output::EraseConsoleFile();
}

void LoadSettings() {
    settings::ReadSettingsFile();
    output::ApplySettingsToWindow();
    settings::TestLoadedNames();
}

int32_t RunProgram() {
    StartUp();
    // Without a window no message would ever come: say so instead of waiting unseen for ever.
    if (Controls.mainWindow == 0) {
        os::ShowMessageBox(0, kNoWindowText, "Error", os::kBoxOk | os::kBoxIconError);
        return kNoWindowExitCode;
    }
    int32_t exitCode = RunLoop();
    ShutDown();
    return exitCode;
}

}  // namespace app
