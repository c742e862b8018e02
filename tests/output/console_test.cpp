#include "output/console.h"

#include <mutex>
#include <string>

#include "output/messages.h"
#include "output_fixture.h"

namespace {

using output_test::OutputTest;

const char* const kConsole = "tramox.console";

class ConsoleTest : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        MakeWindows();
    }

    void Load() {
        std::lock_guard<std::mutex> hold(output::OutputLock());
        output::LoadConsolePane();
    }
};

TEST_F(ConsoleTest, TwoLinesInARow) {
    output::WriteConsoleLine("Paused");
    output::WriteConsoleLine("Unpaused");
    EXPECT_EQ(sim::Content(kConsole), "Paused\r\nUnpaused\r\n");
    EXPECT_EQ(PaneText(), "Paused\r\nUnpaused\r\n");
}

// The pane is refreshed by a posted message: nothing waits for the main thread.
TEST_F(ConsoleTest, PaneFollowsOnlyWhenTheRefreshRuns) {
    output::WriteConsoleLine("one");
    EXPECT_EQ(sim::Info(Controls.consolePane).text, "");
    EXPECT_EQ(PaneText(), "one\r\n");
}

TEST_F(ConsoleTest, DisabledConsoleKeepsThePane) {
    output::WriteConsoleLine("kept");
    Settings.enableConsole = false;
    output::WriteConsoleLine("a");
    EXPECT_EQ(sim::Content(kConsole), "kept\r\na\r\n");
    output::WriteConsoleLine("b");
    EXPECT_EQ(sim::Content(kConsole), "kept\r\nb\r\n");
    EXPECT_EQ(PaneText(), "kept\r\n");
    output::ClearConsole();  // still empties the pane
    EXPECT_EQ(PaneText(), "");
    EXPECT_FALSE(sim::Exists(kConsole));
}

TEST_F(ConsoleTest, ClearWithAndWithoutFile) {
    output::WriteConsoleLine("old");
    output::ClearConsole();
    EXPECT_FALSE(sim::Exists(kConsole));
    EXPECT_EQ(PaneText(), "");
    output::ClearConsole();
    EXPECT_FALSE(sim::Exists(kConsole));
    output::WriteConsoleLine("new");
    EXPECT_EQ(sim::Content(kConsole), "new\r\n");
    EXPECT_EQ(PaneText(), "new\r\n");
}

// The pane holds text the file no longer has (erased by hand): Clear still empties it.
TEST_F(ConsoleTest, ClearEmptiesAPaneWhoseFileIsGone) {
    output::WriteConsoleLine("shown");
    EXPECT_EQ(PaneText(), "shown\r\n");
    os::EraseFile(kConsole);
    output::ClearConsole();
    EXPECT_EQ(PaneText(), "");
    EXPECT_FALSE(sim::Exists(kConsole));
}

// The file mirrors the pane: lines written while it was off are gone once it is on again.
TEST_F(ConsoleTest, EnabledAgainFollowsThePane) {
    output::WriteConsoleLine("one");
    Settings.enableConsole = false;
    output::WriteConsoleLine("two");
    EXPECT_EQ(PaneText(), "one\r\n");
    Settings.enableConsole = true;
    output::WriteConsoleLine("three");
    EXPECT_EQ(sim::Content(kConsole), "one\r\nthree\r\n");
    EXPECT_EQ(PaneText(), "one\r\nthree\r\n");
}

TEST_F(ConsoleTest, EmptyFileLeavesThePane) {
    output::WriteConsoleLine("shown");
    sim::AddFile(kConsole, "");
    Load();
    EXPECT_EQ(PaneText(), "shown\r\n");
}

// With dumpResults yes the file outlives the program; the next start does not show it and its
// first line replaces it. Shutdown without dumpResults erases it and leaves the pane alone.
TEST_F(ConsoleTest, FileKeptAcrossStartsOrErasedAtShutdown) {
    sim::AddFile(kConsole, "last time\r\n");
    output::WriteConsoleLine("first");
    EXPECT_EQ(sim::Content(kConsole), "first\r\n");
    output::EraseConsoleFile();
    EXPECT_FALSE(sim::Exists(kConsole));
    EXPECT_EQ(PaneText(), "first\r\n");
    output::EraseConsoleFile();  // nothing to erase is no failure
    EXPECT_FALSE(sim::Exists(kConsole));
}

TEST_F(ConsoleTest, HiddenOrSystemFileHandledLikeAnyOther) {
    for (uint32_t bit : {os::kAttrHidden, os::kAttrSystem}) {
        sim::AddFile(kConsole, "before\r\n", bit);
        Load();
        EXPECT_EQ(PaneText(), "before\r\n");
        output::WriteConsoleLine("more");
        EXPECT_EQ(sim::Content(kConsole), "before\r\nmore\r\n");
        EXPECT_TRUE(sim::Attributes(kConsole) & bit);
        output::EraseConsoleFile();
        EXPECT_FALSE(sim::Exists(kConsole));
        sim::AddFile(kConsole, "x", bit);
        output::ClearConsole();
        EXPECT_FALSE(sim::Exists(kConsole));
    }
}

TEST_F(ConsoleTest, ReadOnlyFileEndsTheProgram) {
    sim::AddFile(kConsole, "", os::kAttrReadOnly);
    EXPECT_EXIT(output::WriteConsoleLine("x"), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
    EXPECT_EXIT(output::ClearConsole(), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
    EXPECT_EXIT(output::EraseConsoleFile(), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
}

}  // namespace
