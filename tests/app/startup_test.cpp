#include "app/startup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "engine/copy_job.h"
#include "output/controls.h"
#include "output/html_log.h"
#include "output/messages.h"
#include "platform/simulated/sim.h"
#include "runtime/io_result.h"
#include "settings/settings.h"

namespace {

class StartupTest : public testing::Test {
protected:
    void SetUp() override { sim::Reset(); }

    int CountLines(const std::string& text) {
        int lines = 0;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
            ++lines;
        return lines;
    }
};

TEST_F(StartupTest, FirstStartWithoutSettingsFile) {
    std::string checked;
    sim::OnIdle([&] {
        for (int box = 0; box < settings::kCheckBoxCount; ++box)
            if (sim::Info(Controls.checkBoxes[box]).check == os::kCheckChecked)
                checked += sim::Info(Controls.checkBoxes[box]).text + ";";
        sim::OnIdle(nullptr);  // the simulated user then closes the window
    });
    EXPECT_EQ(app::RunProgram(), 0);
    EXPECT_EQ(checked,
              "Enable logging;Overwrite log;Log statistics;Display progress;"
              "Show file details;Enable print result;Save settings;");
    std::string written = sim::Content("tramox.ini");
    EXPECT_EQ(CountLines(written), 60);
    EXPECT_EQ(written.substr(0, 16), "enableLog: yes\r\n");
    EXPECT_FALSE(sim::Fonts().empty());
    for (const sim::FontInfo& font : sim::Fonts()) EXPECT_TRUE(font.deleted);
    // The empty bar was painted once at start-up.
    EXPECT_EQ(sim::Pixel(Controls.mainWindow, 10 + 8 * 39, 426), 0xFDFDFDu);
}

TEST_F(StartupTest, RememberedPositionWithZeroCoordinates) {
    sim::AddFile("tramox.ini", "rememberWindowPosition: yes\r\n");
    int32_t x = 1, y = 1;
    sim::OnIdle([&] {
        x = sim::Info(Controls.mainWindow).x;
        y = sim::Info(Controls.mainWindow).y;
        sim::OnIdle(nullptr);
    });
    EXPECT_EQ(app::RunProgram(), 0);
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, -22);
    std::string written = sim::Content("tramox.ini");
    EXPECT_NE(written.find("rememberWindowVertical: 0\r\nrememberWindowHorizontal: 0\r\n"),
              std::string::npos);
}

TEST_F(StartupTest, SwappedKeysPlaceTheWindowWhereItWas) {
    sim::AddFile("tramox.ini",
                 "rememberWindowPosition: yes\r\nrememberWindowVertical: 200\r\n"
                 "rememberWindowHorizontal: 50\r\n");
    int32_t x = 0, y = 0;
    sim::OnIdle([&] {
        x = sim::Info(Controls.mainWindow).x;
        y = sim::Info(Controls.mainWindow).y;
        sim::OnIdle(nullptr);
    });
    app::RunProgram();
    EXPECT_EQ(x, 197);
    EXPECT_EQ(y, 28);
    EXPECT_NE(sim::Content("tramox.ini").find("rememberWindowVertical: 200\r\n"),
              std::string::npos);
}

TEST_F(StartupTest, HiddenSettingsFileIsSavedAndStaysHidden) {
    sim::AddFile("tramox.ini", "verifyData: yes\r\n", os::kAttrHidden);
    EXPECT_EQ(app::RunProgram(), 0);
    EXPECT_NE(sim::Content("tramox.ini").find("verifyData: yes\r\n"), std::string::npos);
    EXPECT_EQ(CountLines(sim::Content("tramox.ini")), 60);
    EXPECT_NE(sim::Attributes("tramox.ini") & os::kAttrHidden, 0u);
}

TEST_F(StartupTest, SaveSettingsNoLeavesTheFileUntouched) {
    const std::string file = "saveSettings: no\r\nhand-written remark\r\ndepthRead: 7\r\n";
    sim::AddFile("tramox.ini", file);
    EXPECT_EQ(app::RunProgram(), 0);
    EXPECT_EQ(sim::Content("tramox.ini"), file);
}

TEST_F(StartupTest, ConsoleFileKeptOnlyWithDumpResults) {
    for (bool dump : {false, true}) {
        sim::Reset();
        sim::AddFile("tramox.ini", dump ? "dumpResults: yes\r\n" : "dumpResults: no\r\n");
        sim::OnIdle([] {
            output::WriteConsoleLine("line");
            sim::OnIdle(nullptr);
        });
        app::RunProgram();
        EXPECT_EQ(sim::Exists("tramox.console"), dump);
    }
}

TEST_F(StartupTest, BoxesTickedWhileOpenAreSavedAtClose) {
    sim::OnIdle([] {
        sim::SetCheck(Controls.checkBoxes[7], os::kCheckChecked);    // Verify copied data
        sim::SetCheck(Controls.checkBoxes[0], os::kCheckUnchecked);  // Enable logging
        os::Post(Controls.mainWindow, os::kMsgClose, 0, 0);
        sim::OnIdle(nullptr);
    });
    app::RunProgram();
    std::string written = sim::Content("tramox.ini");
    EXPECT_NE(written.find("verifyData: yes\r\n"), std::string::npos);
    EXPECT_EQ(written.substr(0, 15), "enableLog: no\r\n");
}

// Filling the edit boxes notifies the window, which reads the boxes back into the record: the
// loaded flags must already be in the boxes by then.
TEST_F(StartupTest, FilledEditsDoNotUndoLoadedFlags) {
    sim::AddFile("tramox.ini",
                 "verifyData: yes\r\nenableLog: no\r\nsaveSourceFile: yes\r\n"
                 "lastSourceFile: C:\\a\\*.*\r\nrememberFolder: D:\\b\r\n");
    app::RunProgram();
    std::string written = sim::Content("tramox.ini");
    EXPECT_NE(written.find("verifyData: yes\r\n"), std::string::npos);
    EXPECT_EQ(written.substr(0, 15), "enableLog: no\r\n");
}

TEST_F(StartupTest, SavedPathsAndRememberedFolderFillTheEdits) {
    sim::AddFile("tramox.ini",
                 "saveSourceFile: yes\r\nlastSourceFile: C:\\data\\*.txt\r\n"
                 "saveDestinyFolder: yes\r\nlastDestinyFolder: D:\\old\r\n"
                 "rememberFolder: D:\\kept\r\n");
    std::string source, destiny;
    sim::OnIdle([&] {
        source = sim::Info(Controls.sourceEdit).text;
        destiny = sim::Info(Controls.destinyEdit).text;
        sim::OnIdle(nullptr);
    });
    app::RunProgram();
    EXPECT_EQ(source, "C:\\data\\*.txt");
    EXPECT_EQ(destiny, "D:\\kept");
    std::string written = sim::Content("tramox.ini");
    EXPECT_NE(written.find("lastDestinyFolder: D:\\kept\r\nrememberFolder: D:\\kept\r\n"),
              std::string::npos);
}

TEST_F(StartupTest, NoWindowEndsInsteadOfWaitingForEver) {
    sim::AddFile("tramox.ini", "verifyData: yes\r\n");
    sim::FailOperation(sim::Op::MakeWindow, "", 1, 1407);  // the first: the main window
    EXPECT_EQ(app::RunProgram(), 1);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "tramox could not open its window.");
    EXPECT_EQ(sim::MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(sim::Content("tramox.ini"), "verifyData: yes\r\n");  // nothing saved
}

TEST_F(StartupTest, UnreadableSettingsFileEndsWithTheReport) {
    sim::AddFile("tramox.ini", "enableLog: no\r\n");
    sim::HoldOpen("tramox.ini", os::kAccessWrite, 0);
    EXPECT_EXIT(app::RunProgram(), testing::ExitedWithCode(32), "Runtime error 32 at 0x");
}

rt::ErrorReportHook programHook = nullptr;
std::atomic<bool> boxUp{false};

// A worker's log entry that cannot be written, once the window is up; a watcher wraps the hook
// the program installed.
std::thread StartFailingWorker(rt::ErrorReportHook watcher = nullptr) {
    app::StartUp();
    sim::PumpMessages();
    output::BeginLogRun();
    sim::HoldOpen("tramox.log.htm", os::kAccessWrite, 0);
    if (watcher != nullptr) {
        programHook = rt::InstalledErrorReportHook();
        rt::SetErrorReportHook(watcher);
    }
    return std::thread([] { output::WriteLogEntry("x", output::plain, false); });
}

// The simulated box closes at once; this stands for the user reading it while the main thread
// goes on handling its messages.
void ReadTheBox() {
    programHook();
    bool leftToMainThread = os::IsWinEnabled(Controls.mainWindow);
    boxUp = true;
    for (int wait = 0; wait < 500 && os::IsWinEnabled(Controls.mainWindow); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (leftToMainThread && !os::IsWinEnabled(Controls.mainWindow))
        std::fprintf(stderr, "main window disabled by its own thread\n");
}

void WorkerFailsWhileMainThreadAnswers() {
    std::thread worker = StartFailingWorker(&ReadTheBox);
    while (!boxUp) std::this_thread::yield();
    for (;;) sim::PumpMessages();  // until the worker ends the process
}

// The main thread clicks Clear while the worker holds the output lock in its failing entry.
void WorkerFailsWhileMainThreadWaits() {
    std::thread worker = StartFailingWorker();
    while (output::OutputLock().try_lock()) {
        output::OutputLock().unlock();
        std::this_thread::yield();
    }
    os::Send(Controls.mainWindow, os::kMsgCommand, os::kNotifyClicked << 16, Controls.clearButton);
    for (;;) sim::PumpMessages();
}

// The worker's error box has no owner and covers only the worker's windows: the main window is
// disabled from its own thread, and the worker never waits for the main thread to do it.
TEST_F(StartupTest, StrictFailureOnTheWorkerDisablesTheMainWindow) {
    EXPECT_EXIT(WorkerFailsWhileMainThreadAnswers(), testing::ExitedWithCode(32),
                "main window disabled by its own thread\n.*Runtime error 32 at 0x.*"
                "\\[box \"Error\" owner 0 ");
    EXPECT_EXIT(WorkerFailsWhileMainThreadWaits(), testing::ExitedWithCode(32),
                "Runtime error 32 at 0x");
}

}  // namespace
