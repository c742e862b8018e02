#include "app/window_proc.h"

#include <gtest/gtest.h>

#include <string>

#include "app/startup.h"
#include "engine/copy_job.h"
#include "output/console.h"
#include "output/controls.h"
#include "output/messages.h"
#include "platform/simulated/sim.h"
#include "settings/settings.h"

namespace {

class WindowProcTest : public testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        CopyJob.sourceSpec.clear();
        CopyJob.destinyPath.clear();
        CopyJob.percent = 0;
        app::StartUp();
        sim::PumpMessages();
    }

    void Click(os::Window button) {
        os::Send(Controls.mainWindow, os::kMsgCommand, os::kNotifyClicked << 16, button);
    }
    void Send(uint32_t message, intptr_t lParam = 0) {
        os::Send(Controls.mainWindow, message, 0, lParam);
    }
    os::Window Box(const char* key) {
        for (int box = 0; box < settings::kCheckBoxCount; ++box)
            if (std::string(settings::kCheckBoxKeys[box]) == key) return Controls.checkBoxes[box];
        return 0;
    }
};

// The platform reports the client origin, 3 right of and 22 below the window's corner, as two
// 16-bit words. A minimised window is parked at -32000, -32000 and keeps the place it had.
TEST_F(WindowProcTest, MoveRecordsTheClientOriginWhateverRememberSaysUnlessMinimised) {
    struct Row {
        bool remember;
        int32_t x, y;  // the client origin
        int32_t recordedX, recordedY;
    } rows[] = {{false, 120, 45, 120, 45},
                {true, -32000, -32000, 120, 45},
                {true, 0, 0, 0, 0},
                {false, 65535, 2, 65535, 2},
                {false, -1, -32000, 65535, 33536},
                {true, -32000, -32000, 65535, 33536}};
    for (const Row& row : rows) {
        Settings.rememberWindowPosition = row.remember;
        os::MoveWin(Controls.mainWindow, row.x - 3, row.y - 22, 530, 466, true);
        EXPECT_EQ(Settings.rememberWindowVertical, row.recordedX) << row.x << "," << row.y;
        EXPECT_EQ(Settings.rememberWindowHorizontal, row.recordedY) << row.x << "," << row.y;
    }
    // 32-bit Windows hands the parked origin over as a negative lParam.
    Send(os::kMsgMove, static_cast<intptr_t>(static_cast<int32_t>(0x83008300u)));
    EXPECT_EQ(Settings.rememberWindowVertical, 65535);
    EXPECT_EQ(Settings.rememberWindowHorizontal, 33536);
}

TEST_F(WindowProcTest, RepaintsTheBarOnlyWhenItIsShown) {
    const uint32_t repainting[] = {os::kMsgMove,      os::kMsgActivate, os::kMsgSetFocus,
                                   os::kMsgKillFocus, os::kMsgEnable,   os::kMsgShowWindow};
    CopyJob.percent = 100;
    Settings.showProgressBar = false;
    int before = sim::DeviceContextsTaken();
    for (uint32_t message : repainting) Send(message);
    EXPECT_EQ(sim::DeviceContextsTaken(), before);
    EXPECT_EQ(sim::Pixel(Controls.mainWindow, 10, 420), 0x808080u);  // still the empty bar

    Settings.showProgressBar = true;
    for (uint32_t message : repainting) {
        int taken = sim::DeviceContextsTaken();
        Send(message);
        EXPECT_GT(sim::DeviceContextsTaken(), taken) << message;
    }
    EXPECT_EQ(sim::Pixel(Controls.mainWindow, 10, 420), 0x800000u);  // blue 128: filled
    EXPECT_EQ(sim::DeviceContextsHeld(), 0);
}

TEST_F(WindowProcTest, SourceDialogRecordAndLongPath) {
    const std::string picked = "C:\\data\\" + std::string(300, 'f');
    sim::AnswerFileDialog(picked);
    Click(Controls.sourceBrowse);
    os::OpenFileRecord record = sim::LastFileDialog();
    EXPECT_EQ(record.structSize, 76u);
    EXPECT_EQ(record.owner, Controls.mainWindow);
    EXPECT_EQ(record.flags, 0x8100Eu);
    EXPECT_STREQ(record.defaultExtension, "*");
    EXPECT_EQ(sim::LastFileDialogFilter(), std::string("Files\0*.*\0\0", 11));
    EXPECT_EQ(CopyJob.sourceSpec, picked);  // whole: a cut path names another file
    EXPECT_EQ(sim::Info(Controls.sourceEdit).text, picked);

    sim::TypeText(Controls.sourceEdit, "kept");
    sim::AnswerFileDialog("C:\\other.txt", true);
    Click(Controls.sourceBrowse);
    EXPECT_EQ(sim::Info(Controls.sourceEdit).text, "kept");  // a cancelled dialog changes nothing
    EXPECT_EQ(CopyJob.sourceSpec, picked);
}

// The system menu's own item mirrors readableFirst; other system commands go on to Windows.
TEST_F(WindowProcTest, SystemMenuItemTogglesReadableFirst) {
    auto item = [] {
        for (const sim::WindowInfo::MenuItem& each : sim::Info(Controls.mainWindow).systemMenu)
            if (each.text == "Rescue readable bytes first") return each;
        return sim::WindowInfo::MenuItem{};
    };
    const uint32_t id = item().id;
    EXPECT_TRUE(id != 0 && id < 0xF000 && (id & 0xF) == 0) << id;
    EXPECT_FALSE(Settings.readableFirst);
    for (bool expected : {true, false}) {
        sim::ChooseSystemMenuItem(Controls.mainWindow, id);
        EXPECT_EQ(bool(Settings.readableFirst), expected);
        EXPECT_EQ((item().flags & os::kMenuChecked) != 0, expected);
    }
    sim::ChooseSystemMenuItem(Controls.mainWindow, id + 0x10);  // not ours
    EXPECT_FALSE(Settings.readableFirst);
}

TEST_F(WindowProcTest, FolderDialogRememberAndCancel) {
    // Remember before any folder was picked stores an empty folder.
    Settings.rememberFolder = "D:\\old";
    Click(Controls.rememberButton);
    EXPECT_TRUE(Settings.rememberFolder.empty());

    sim::AnswerFolderDialog("D:\\out");
    Click(Controls.destinyBrowse);
    EXPECT_EQ(sim::Info(Controls.destinyEdit).text, "D:\\out");
    EXPECT_EQ(sim::LastFolderDialog().owner, Controls.mainWindow);
    EXPECT_STREQ(sim::LastFolderDialog().title, "");
    EXPECT_EQ(sim::LastFolderDialog().root, 0u);  // the desktop
    EXPECT_EQ(sim::LastFolderDialog().displayName, nullptr);
    EXPECT_EQ(sim::LastFolderDialog().flags, 0u);
    EXPECT_EQ(sim::ItemListsAlive(), 0);
    Click(Controls.rememberButton);
    EXPECT_EQ(Settings.rememberFolder, "D:\\out");

    sim::AnswerFolderDialog("E:\\x", true);
    Click(Controls.destinyBrowse);
    EXPECT_EQ(CopyJob.destinyPath, "D:\\out");

    sim::AnswerFolderDialog("E:\\" + std::string(300, 'd'));
    Click(Controls.destinyBrowse);
    EXPECT_EQ(CopyJob.destinyPath, "E:\\" + std::string(300, 'd'));
}

TEST_F(WindowProcTest, CheckBoxesReachTheRecordOnClicksEditsAndClose) {
    sim::SetCheck(Box("verifyData"), os::kCheckChecked);
    sim::SetCheck(Box("enableLog"), os::kCheckIndeterminate);  // counts as no
    EXPECT_FALSE(Settings.verifyData);
    Click(Controls.clearButton);
    EXPECT_TRUE(Settings.verifyData);
    EXPECT_FALSE(Settings.enableLog);

    sim::SetCheck(Box("skipEmptyFiles"), os::kCheckChecked);
    os::Send(Controls.mainWindow, os::kMsgCommand, os::kNotifyEditChange << 16,
             Controls.sourceEdit);
    EXPECT_TRUE(Settings.skipEmptyFiles);

    // A flag forced off by a run comes back from its box at the next click.
    Settings.printDetail = false;
    Click(Controls.pauseButton);
    EXPECT_TRUE(Settings.printDetail);

    sim::SetCheck(Box("haltOnFirstError"), os::kCheckChecked);
    Send(os::kMsgClose);
    EXPECT_TRUE(Settings.haltOnFirstError);
    EXPECT_EQ(CopyJob.state, JobState::Closing);
    EXPECT_FALSE(sim::IsAlive(Controls.mainWindow));
}

TEST_F(WindowProcTest, ClearEmptiesPaneAndFile) {
    output::WriteConsoleLine("first");
    sim::PumpMessages();
    ASSERT_TRUE(sim::Exists("tramox.console"));
    Click(Controls.clearButton);
    sim::PumpMessages();
    EXPECT_FALSE(sim::Exists("tramox.console"));
    EXPECT_EQ(sim::Info(Controls.consolePane).text, "");
}

TEST_F(WindowProcTest, OtherNotificationsDoNothing) {
    sim::SetCheck(Box("verifyData"), os::kCheckChecked);
    os::Send(Controls.mainWindow, os::kMsgCommand, 5u << 16, Controls.copyButton);
    EXPECT_FALSE(Settings.verifyData);
}

}  // namespace
