#include "output/console.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

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

// ---- The transcript as a sequence of lines, clicks and meddling from outside ----

enum class Do { Line, Clear, Off, On, Look, Rewrite, Tick, Erase, Hide };
struct Step {
    Do what;
    std::string text = "";
};
struct Story {
    const char* name;
    std::vector<Step> steps;
};

// Lines long enough that a few of them fill more than a kilobyte.
std::string Long(char c) { return std::string(100, c); }
std::string LongLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += Long(static_cast<char>('a' + i)) + "\r\n";
    return text;
}
std::string Changed(std::string text, size_t at) {
    text[at] = '#';
    return text;
}
std::vector<Step> LongLineSteps(int count) {
    std::vector<Step> steps;
    for (int i = 0; i < count; ++i) steps.push_back({Do::Line, Long(static_cast<char>('a' + i))});
    return steps;
}
std::vector<Step> Then(std::vector<Step> first, const std::vector<Step>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

// Every line rewrites the file as the pane's text followed by the line; when the console is on,
// the pane then shows the file up to any zero byte. Meddling changes only the file.
struct Expected {
    std::string pane;
    std::optional<std::string> file;
    bool on = true;
    void Line(const std::string& text) {
        file = pane + text + "\r\n";
        if (on) pane = file->substr(0, file->find('\0'));
    }
};

void PrintTo(const Story& story, std::ostream* out) { *out << story.name; }

class ConsoleStory : public ConsoleTest, public testing::WithParamInterface<Story> {
protected:
    void Act(const Step& step, Expected& expected) {
        os::LocalTime later = os::GetLocalTime();
        switch (step.what) {
            case Do::Line:
                output::WriteConsoleLine(step.text);
                expected.Line(step.text);
                break;
            case Do::Clear:
                output::ClearConsole();
                expected.pane.clear();
                expected.file.reset();
                break;
            case Do::Off:
            case Do::On:
                Settings.enableConsole = expected.on = step.what == Do::On;
                break;
            case Do::Look:
                EXPECT_EQ(PaneText(), expected.pane);
                break;
            case Do::Rewrite:  // by another program, now: within the clock's tick unless Tick
                sim::AddFile(kConsole, step.text,
                             expected.file ? sim::Attributes(kConsole) : os::kAttrArchive);
                expected.file = step.text;
                break;
            case Do::Tick:
                later.second += 2;
                sim::SetLocalTime(later);
                break;
            case Do::Erase:
                os::EraseFile(kConsole);
                expected.file.reset();
                break;
            case Do::Hide:
                os::SetAttributes(kConsole, os::kAttrHidden);
                break;
        }
    }
};

TEST_P(ConsoleStory, FileAndPaneAsIfRewrittenEachLine) {
    Expected expected;
    int index = 0;
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(++index));
        Act(step, expected);
        EXPECT_EQ(sim::Exists(kConsole), expected.file.has_value());
        EXPECT_EQ(sim::Content(kConsole), expected.file.value_or(""));
    }
    EXPECT_EQ(PaneText(), expected.pane);
}

const std::string kNul("a\0b", 3);

INSTANTIATE_TEST_SUITE_P(
    Stories, ConsoleStory,
    testing::Values(
        Story{"LinesInARow", {{Do::Line, "a"}, {Do::Look}, {Do::Line, "b"}, {Do::Line, "c"}}},
        Story{"OffAndOnAgain",
              {{Do::Line, "one"},
               {Do::Off},
               {Do::Line, "two"},
               {Do::Line, "three"},
               {Do::Look},
               {Do::On},
               {Do::Line, "four"},
               {Do::Line, "five"}}},
        Story{"OffFromTheStart",
              {{Do::Off}, {Do::Line, "a"}, {Do::Line, "b"}, {Do::On}, {Do::Line, "c"}}},
        Story{"ClearBetweenRefreshes",
              {{Do::Line, "ab"},
               {Do::Look},
               {Do::Clear},
               {Do::Line, "xy"},
               {Do::Look},
               {Do::Clear},
               {Do::Line, "xy"},
               {Do::Line, "z"}}},
        Story{
            "ClearWhileOff",
            {{Do::Line, "a"}, {Do::Off}, {Do::Clear}, {Do::Line, "b"}, {Do::On}, {Do::Line, "c"}}},
        Story{"LeftFromAnEarlierRun",
              {{Do::Rewrite, "last time\r\n"}, {Do::Line, "first"}, {Do::Line, "second"}}},
        Story{"ErasedBehindItsBack",
              {{Do::Line, "a"}, {Do::Erase}, {Do::Line, "b"}, {Do::Line, "c"}}},
        Story{"TruncatedBehindItsBack",
              {{Do::Line, "a"}, {Do::Line, "b"}, {Do::Rewrite, "a\r\n"}, {Do::Line, "c"}}},
        Story{"EmptiedBehindItsBack", {{Do::Line, "a"}, {Do::Rewrite, ""}, {Do::Line, "b"}}},
        Story{"ExtendedBehindItsBack",
              {{Do::Line, "a"}, {Do::Rewrite, "a\r\nzz\r\n"}, {Do::Line, "b"}}},
        Story{"HiddenBehindItsBack", {{Do::Line, "a"}, {Do::Hide}, {Do::Line, "b"}}},
        Story{"SameSizeLastLineChangedInTheSameTick",
              {{Do::Line, "abc"}, {Do::Rewrite, "abd\r\n"}, {Do::Line, "x"}}},
        Story{"SameSizeFirstLineChangedInTheSameTick",
              Then(LongLineSteps(30), {{Do::Rewrite, Changed(LongLines(30), 5)}, {Do::Line, "x"}})},
        Story{"SameSizeMiddleChangedALittleLater",
              Then(LongLineSteps(30),
                   {{Do::Tick}, {Do::Rewrite, Changed(LongLines(30), 1500)}, {Do::Line, "x"}})},
        Story{"ZeroByteInALine", {{Do::Line, "a"}, {Do::Line, kNul}, {Do::Line, "c"}}}),
    [](const testing::TestParamInfo<Story>& info) { return info.param.name; });

// The work of a line does not grow with the transcript: the thousandth line moves as many bytes
// to and from the file and the pane as the tenth, and writes nothing but itself.
TEST_F(ConsoleTest, TheThousandthLineCostsWhatTheTenthDoes) {
    const std::string line = "Copied C:\\data\\" + std::string(100, 'f') + ".txt";
    sim::Traffic tenth{}, thousandth{};
    for (int number = 1; number <= 1000; ++number) {
        sim::Traffic before = sim::Bytes();
        output::WriteConsoleLine(line);
        PaneText();
        sim::Traffic after = sim::Bytes();
        sim::Traffic cost{after.fileRead - before.fileRead, after.fileWritten - before.fileWritten,
                          after.windowText - before.windowText};
        if (number == 10) tenth = cost;
        if (number == 1000) thousandth = cost;
    }
    EXPECT_EQ(thousandth.fileRead, tenth.fileRead);
    EXPECT_EQ(thousandth.fileWritten, line.size() + 2);
    EXPECT_EQ(thousandth.windowText, line.size() + 2);
    EXPECT_EQ(tenth.fileWritten, line.size() + 2);
    EXPECT_EQ(tenth.windowText, line.size() + 2);
    EXPECT_EQ(sim::Content(kConsole).size(), 1000 * (line.size() + 2));
}

// A file that already holds the console fails the next line where a rewrite would fail.
TEST_F(ConsoleTest, FailuresAfterALineEndTheProgram) {
    struct Row {
        std::function<void()> meddle;
        int code;
    } rows[] = {
        {[] { os::SetAttributes(kConsole, os::kAttrReadOnly); }, 5},
        {[] { sim::HoldOpen(kConsole, os::kAccessRead, 0); }, 32},
        {[] { sim::FillDiskAfter('C', 0); }, 112},
        {[] { sim::FailOperation(sim::Op::Open, kConsole, 1, 4); }, 4},
        {[] { sim::FailOperation(sim::Op::Write, kConsole, 1, 29); }, 29},
        {[] { sim::FailOperation(sim::Op::Close, kConsole, 1, 6); }, 6},
    };
    output::WriteConsoleLine("a");
    output::WriteConsoleLine("b");
    for (const Row& row : rows)
        EXPECT_EXIT((row.meddle(), output::WriteConsoleLine("c")),
                    testing::ExitedWithCode(row.code),
                    "Runtime error " + std::to_string(row.code) + " at 0x");
}

TEST_F(ConsoleTest, ReadOnlyFileEndsTheProgram) {
    sim::AddFile(kConsole, "", os::kAttrReadOnly);
    EXPECT_EXIT(output::WriteConsoleLine("x"), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
    EXPECT_EXIT(output::ClearConsole(), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
    EXPECT_EXIT(output::EraseConsoleFile(), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
}

}  // namespace
