#include "engine/steps.h"
#include "engine_fixture.h"

namespace engine_test {
namespace {

uint32_t Packed(uint32_t year, uint32_t month, uint32_t day, uint32_t hour, uint32_t minute,
                uint32_t second) {
    return ((year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) | (minute << 5) |
           (second / 2);
}

TEST(FileDetails, ModifiedTimeText) {
    struct Row {
        uint32_t packed;
        const char* text;
    } rows[] = {
        {Packed(2008, 6, 21, 9, 5, 8), "21st June 2008 9:05:08"},
        {Packed(2010, 1, 2, 23, 59, 58), "2nd January 2010 23:59:58"},
        {Packed(1999, 12, 3, 0, 0, 0), "3rd December 1999 0:00:00"},
        {Packed(2001, 2, 11, 12, 10, 10), "11th February 2001 12:10:10"},
        {Packed(2001, 3, 12, 1, 1, 1), "12th March 2001 1:01:00"},  // 2-second steps
        {Packed(2001, 4, 13, 1, 1, 2), "13th April 2001 1:01:02"},
        {Packed(2001, 5, 22, 1, 1, 2), "22nd May 2001 1:01:02"},
        {Packed(2001, 7, 23, 1, 1, 2), "23rd July 2001 1:01:02"},
        {Packed(2001, 8, 31, 1, 1, 2), "31st August 2001 1:01:02"},
        {Packed(2001, 13, 1, 1, 1, 2), "1st 13 2001 1:01:02"},  // a damaged stamp
    };
    for (const Row& row : rows) EXPECT_EQ(engine::FormatModifiedTime(row.packed), row.text);
}

// The announcement in the log and the detail line, in local time 90 minutes ahead of UTC; a file
// held open by another program has its time from the directory instead.
TEST_F(EngineTest, AnnouncedWithDetails) {
    const uint64_t kWritten = 128585073080000000ull;  // 21 June 2008 7:35:08 UTC
    sim::SetUtcOffsetMinutes(90);
    sim::AddFile("C:\\src\\h.bin", std::string(1234, 'h'), os::kAttrHidden, kWritten);
    sim::AddFile("C:\\src\\o.bin", "o", os::kAttrHidden | os::kAttrArchive, kWritten);
    sim::AddFolder("D:\\out");
    std::vector<std::string> details;
    onState = [&](JobState state) {
        if (state == JobState::PrepareSource && details.size() == 1)
            sim::HoldOpen("C:\\src\\o.bin", os::kAccessRead | os::kAccessWrite, 0);
        if (state != JobState::PrepareDestiny) return;
        sim::PumpMessages();  // the texts the worker queued
        details.push_back(sim::Info(Controls.detailLine).text);
        sim::ReleaseHeld();
    };
    Copy("C:\\src\\*.bin", "D:\\out");
    EXPECT_EQ(sim::Content("D:\\out\\o.bin"), "o");
    EXPECT_EQ(details,
              (std::vector<std::string>{"1234bytes hidden file, modified: 21st June 2008 9:05:08",
                                        "1bytes, modified: 21st June 2008 9:05:08"}));
    EXPECT_NE(Log().find("Copy \"<B>h.bin</B>\" 1234bytes hidden file, modified: 21st June "
                         "2008 9:05:08</FONT>"),
              std::string::npos);
}

// The waiting box after each file, and a program that closes itself after the run.
TEST_F(EngineTest, EndOfRunOptions) {
    sim::AddFile("tramox.ini", "waitEnterAfterEachCopy: yes\r\nexitAfterCopy: yes\r\n");
    sim::AddFile("C:\\src\\a", "a");
    sim::AddFile("C:\\src\\b", "b");
    sim::AddFolder("D:\\out");
    bool clicked = false, quitAfterRun = false;
    sim::OnIdle([&] {
        if (!clicked) {
            sim::TypeText(Controls.sourceEdit, "C:\\src\\*");
            sim::TypeText(Controls.destinyEdit, "D:\\out");
            Click(Controls.copyButton);
            clicked = true;
        }
        WaitForWorker();
        for (const os::Message& message : sim::PendingMessages())
            quitAfterRun |= message.message == os::kMsgQuit;
        sim::OnIdle(nullptr);
    });
    EXPECT_EQ(app::RunProgram(), 0);
    EXPECT_TRUE(quitAfterRun);
    std::vector<sim::Box> boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const sim::Box& box : boxes) {
        EXPECT_EQ(box.text, "Press enter to continue");
        EXPECT_EQ(box.caption, "tramox");
        EXPECT_EQ(box.owner, Controls.mainWindow);
    }
    EXPECT_EQ(sim::Content("D:\\out\\b"), "b");
}

}  // namespace
}  // namespace engine_test
