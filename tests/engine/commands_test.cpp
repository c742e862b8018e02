// Pause, Unpause, Stop and the window's close during a run, as the user clicks them.
#include <algorithm>
#include <random>

#include "engine_fixture.h"

namespace engine_test {
namespace {

const std::string kSource = "C:\\src\\x.bin", kCopy = "D:\\out\\x.bin";

void Act(char click) {
    if (click == 'P') Click(Controls.pauseButton);
    if (click == 'S') Click(Controls.stopButton);
    if (click == 'C') os::Send(Controls.mainWindow, os::kMsgClose, 0, 0);
    if (click == 'K') Click(Controls.copyButton);
}

// Clicks made at the `nth` time the worker reaches `state`, before that step runs, or for Idle
// while the log's browser starts after the run. The user ticked a box before the run, and the
// browser is started once for each run that ends by itself.
TEST_F(EngineTest, ClicksDuringARun) {
    struct Row {
        JobState state;
        int nth;
        const char* clicks;
        std::vector<std::string> console;
        const char* stateLine;
        const char* copy;
        int32_t depthCloseSource = 512;
        int runs = 1;  // past the source search
        bool searchFails = false;
    } rows[] = {
        {JobState::SearchFolder,
         1,
         "K",
         {"Copied \"x.bin\" 6bytes, written 6bytes"},
         "Done",
         "abcdef"},  // Copy is still enabled here: no second run
        {JobState::WriteByte,
         1,
         "PP",
         {"Paused", "Unpaused", "Copied \"x.bin\" 6bytes, written 6bytes"},
         "Done",
         "abcdef"},
        {JobState::WriteByte,
         3,
         "S",
         {"Copied \"x.bin\" 3bytes, written 3bytes", "Not copied 3 bytes of \"x.bin\": 3-5",
          "Stopped by user"},
         "Stopped",
         "abc"},
        {JobState::WriteByte,
         3,
         "PS",
         {"Paused", "Unpaused", "Copied \"x.bin\" 3bytes, written 3bytes",
          "Not copied 3 bytes of \"x.bin\": 3-5", "Stopped by user"},
         "Stopped",
         "abc"},
        {JobState::WriteByte,
         3,
         "SPS",
         {"Copied \"x.bin\" 3bytes, written 3bytes", "Not copied 3 bytes of \"x.bin\": 3-5",
          "Stopped by user"},
         "Stopped",
         "abc"},  // a Pause between two Stops is never honoured
        {JobState::WriteByte, 3, "C", {}, "x.bin", "abc"},
        {JobState::SearchDestiny,
         10,
         "S",
         {"Unable to close source file", "Stopped by user"},
         "Stopped",
         nullptr,
         5},
        {JobState::SearchDestiny, 3, "S", {"Stopped by user"}, "Stopped", nullptr, 5},
        {JobState::WriteByte,
         3,
         "SP",
         {"Copied \"x.bin\" 3bytes, written 3bytes", "Not copied 3 bytes of \"x.bin\": 3-5",
          "Stopped by user"},
         "Stopped",
         "abc"},
        {JobState::Idle,
         1,
         "K",
         {"Copied \"x.bin\" 6bytes, written 6bytes", "Copy \"x.bin\" file already exists"},
         "Done",
         "abcdef",
         512,
         2},
        {JobState::SearchSource, 3, "C", {}, "", nullptr, 512, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.clicks + std::string(StateName(row.state)));
        Restart();
        sim::AddFile(kSource, "abcdef", os::kAttrReadOnly);
        sim::AddFolder("D:\\out");
        Set("depthCloseSource", row.depthCloseSource);
        Set("forceAccess", 1);
        Set("rewriteLog", 0);
        Set("showLogWhenDone", 1);
        Settings.browserPath = "C:\\web\\browser.exe";
        if (row.searchFails) sim::FailOperation(sim::Op::FindFirst, "*SRC*", -1, 23);
        int seen = 0;
        onState = [&](JobState state) {
            if (state == row.state && ++seen == row.nth)
                for (const char* click = row.clicks; *click; ++click) Act(*click);
        };
        sim::OnStartProgram([&] { onState(JobState::Idle); });
        Copy("C:\\src\\*.*", "D:\\out");
        WaitForWorker();  // a run the click started after the last one
        sim::PumpMessages();
        EXPECT_EQ(ConsoleLines(), row.console);
        bool closed = row.clicks == std::string("C");
        EXPECT_TRUE(closed || sim::Info(Controls.stateLine).text == row.stateLine);
        EXPECT_EQ(sim::Exists(kCopy), row.copy != nullptr);
        EXPECT_EQ(sim::Content(kCopy), row.copy ? row.copy : "");
        EXPECT_EQ(sim::Attributes(kSource), os::kAttrReadOnly);
        EXPECT_EQ(sim::OpenFileCount(), 0);
        EXPECT_EQ(CopyJob.state, closed ? JobState::Closing : JobState::Idle);
        EXPECT_EQ(Log().find("Stopped by user") != std::string::npos,
                  row.stateLine == std::string("Stopped"));
        EXPECT_EQ(Log().find("Totally") != std::string::npos, row.copy && !closed);
        EXPECT_EQ(os::IsWinEnabled(Controls.copyButton), !closed);
        EXPECT_EQ(sim::Info(Controls.pauseButton).text, "Pause");
        EXPECT_EQ(std::count(trace.begin(), trace.end(), JobState::SearchFolder), row.runs);
        EXPECT_TRUE(Settings.forceAccess);
        EXPECT_EQ(sim::StartedPrograms().size(),
                  row.stateLine == std::string("Done") ? row.runs : 0u);
    }
}

// While paused the run stands still, the button offers Unpause, and the main thread carries on.
TEST_F(EngineTest, PausedRunWaitsForUnpause) {
    sim::AddFile(kSource, "abcdef");
    sim::AddFolder("D:\\out");
    onState = [](JobState state) {
        if (state == JobState::PrepareSource) Click(Controls.pauseButton), onState = nullptr;
    };
    sim::TypeText(Controls.sourceEdit, kSource);
    sim::TypeText(Controls.destinyEdit, "D:\\out");
    Click(Controls.copyButton);
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (CopyJob.state != JobState::Paused && std::chrono::steady_clock::now() < limit)
        std::this_thread::yield();
    ASSERT_EQ(CopyJob.state, JobState::Paused);
    sim::PumpMessages();
    EXPECT_EQ(sim::Info(Controls.pauseButton).text, "Unpause");
    EXPECT_EQ(CopyJob.savedState, JobState::PrepareDestiny);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(sim::Exists(kCopy));
    EXPECT_TRUE(engine::WorkerRunning());
    Click(Controls.pauseButton);
    WaitForWorker();
    EXPECT_EQ(sim::Content(kCopy), "abcdef");
    EXPECT_EQ(ConsoleLines(),
              (std::vector<std::string>{"Paused", "Unpaused",
                                        "Copied \"x.bin\" 6bytes, written 6bytes"}));
}

// Clicks at random moments from the main thread: every run ends, lines come in sensible
// order, none lost or doubled, and the copy is never more than the source's beginning.
TEST_F(EngineTest, RandomClicksNeverHangOrMuddle) {
    std::mt19937 random(7);
    const std::string content(3000, 'q');
    for (int run = 0; run < 300; ++run) {
        SCOPED_TRACE(run);
        Restart();
        sim::AddFile(kSource, content);
        sim::AddFolder("D:\\out");
        Set("depthSearchDestiny", 1);
        Set("depthSearch", 1);
        sim::TypeText(Controls.sourceEdit, kSource);
        sim::TypeText(Controls.destinyEdit, "D:\\out");
        Click(Controls.copyButton);
        int pauses = 0;
        for (int click = random() % 4; click > 0; --click) {
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 400));
            if (random() % 3)
                Click(Controls.pauseButton), ++pauses;
            else
                Click(Controls.stopButton);
        }
        if (pauses % 2) Click(Controls.pauseButton);
        WaitForWorker();
        std::vector<std::string> lines = ConsoleLines();
        bool paused = false;
        size_t results = 0, stops = 0;
        for (const std::string& line : lines) {
            if (line == "Paused" || line == "Unpaused") {
                EXPECT_EQ(line == "Unpaused", paused);
                paused = !paused;
            }
            results += line.rfind("Copied", 0) == 0;
            stops += line == "Stopped by user";
        }
        EXPECT_FALSE(paused);
        EXPECT_EQ(results, stops ? size_t{sim::Exists(kCopy)} : 1u);
        EXPECT_LE(results + stops, 2u);
        EXPECT_TRUE(!stops || lines.back() == "Stopped by user");
        EXPECT_EQ(content.rfind(sim::Content(kCopy), 0), 0u);
        EXPECT_EQ(CopyJob.state, JobState::Idle);
    }
}

}  // namespace
}  // namespace engine_test
