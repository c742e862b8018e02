#include "output/messages.h"

#include <string>
#include <thread>

#include "output_fixture.h"

namespace {

using output_test::Golden;
using output_test::kDefaultHeadLine;
using output_test::OutputTest;

const char* const kLog = "tramox.log.htm";

using MessagesTest = OutputTest;

// The log was never bound in this program run, so the entries land in a new file that has only
// the head line before them.
TEST_F(MessagesTest, EntryOfEachKindWithAndWithoutLink) {
    for (bool link : {false, true})
        for (int kind = 0; kind < 4; ++kind)
            output::WriteLogEntry(ShortText("kind " + std::to_string(kind) + " <B>x</B> & y"),
                                  static_cast<output::MessageKind>(kind), link);
    EXPECT_EQ(sim::Content(kLog), Golden("entries.htm"));
}

TEST_F(MessagesTest, FontAndSizeWrittenAsStored) {
    Settings.htmlFont = "Courier New";
    Settings.fontSizeHtmlLog = 12;
    Settings.warningColorHtmlLog = "abcdef";
    output::BeginLogRun();
    std::string header = sim::Content(kLog);
    output::WriteLogEntry("Stopped by user", output::warning, false);
    output::WriteLogEntry("", output::warning, false);
    EXPECT_EQ(sim::Content(kLog),
              header +
                  "<FONT FACE=Courier New SIZE=12 COLOR=#abcdef>Stopped by "
                  "user</FONT><BR>\r\n"
                  "<FONT FACE=Courier New SIZE=12 COLOR=#abcdef></FONT><BR>\r\n");
}

TEST_F(MessagesTest, ReportLinkUsesTheLogFontAndLinkColour) {
    Settings.htmlFont = "Tahoma";
    Settings.fontSizeHtmlLog = 3;
    Settings.linkColorHtmlLog = "123456";
    output::WriteLogEntry("bad", output::error, true);
    output::WriteLogEntry("", output::plain, false);
    EXPECT_EQ(sim::Content(kLog),
              kDefaultHeadLine +
                  "<FONT FACE=Tahoma SIZE=3 COLOR=#FF0000>bad </FONT><A HREF=mailto:"
                  "tramox-report@example.org TITLE=\"Report this\"><FONT FACE=Tahoma SIZE=3 "
                  "COLOR=#123456>Is it bug?</FONT></A><BR>\r\n"
                  "<FONT FACE=Tahoma SIZE=3 COLOR=#FFFFFF></FONT><BR>\r\n");
}

TEST_F(MessagesTest, LongestTextWrittenWhole) {
    std::string text(255, 'a');
    output::WriteLogEntry(ShortText(text + "cut"), output::plain, true);
    std::string log = sim::Content(kLog);
    EXPECT_NE(log.find("COLOR=#FFFFFF>" + text + " </FONT><A HREF=mailto:"), std::string::npos);
    EXPECT_EQ(log.find("cut"), std::string::npos);
}

TEST_F(MessagesTest, LoggingOffLeavesTheLogUnopened) {
    output::BeginLogRun();
    std::string before = sim::Content(kLog);
    int opens = sim::Count(sim::Op::Open);
    Settings.enableLog = false;
    for (int kind = 0; kind < 4; ++kind)
        output::WriteLogEntry("x", static_cast<output::MessageKind>(kind), kind % 2 == 1);
    EXPECT_EQ(sim::Count(sim::Op::Open), opens);
    EXPECT_EQ(sim::Content(kLog), before);
}

TEST_F(MessagesTest, UnboundLogIsExtendedWithoutHeader) {
    sim::AddFile(kLog, "earlier\r\n");
    output::WriteLogEntry("late", output::plain, false);
    EXPECT_EQ(sim::Content(kLog),
              "earlier\r\n<FONT FACE=Arial SIZE=1 COLOR=#FFFFFF>late</FONT><BR>\r\n");
}

// Otherwise a later appending run would extend a file that never opens its document.
TEST_F(MessagesTest, UnboundEntryStartsAMissingLogWithTheHeadLine) {
    Settings.backgroundColorHtmlLog = "102030";
    output::WriteLogEntry("late", output::plain, false);
    Settings.rewriteLog = false;
    output::BeginLogRun();
    std::string log = sim::Content(kLog);
    EXPECT_EQ(log.rfind("<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\"><TITLE>tramox Log</TITLE></HEAD><BODY BGCOLOR=#102030>\r\n"
                        "<FONT FACE=Arial SIZE=1 COLOR=#FFFFFF>late</FONT><BR>\r\n<BR>\r\n",
                        0),
              0u);
    EXPECT_EQ(log.find("<HTML>", 1), std::string::npos);
}

// Run under ThreadSanitizer too: the lock must keep every line whole and the two files in step.
TEST_F(MessagesTest, TwoThreadsKeepEveryLineWhole) {
    MakeWindows();
    output::BeginLogRun();
    std::string header = sim::Content(kLog);
    constexpr int kLines = 60;
    auto writer = [](char who) {
        for (int i = 0; i < kLines; ++i) {
            ShortText text = ShortText(std::string(1, who)) + std::to_string(i);
            output::WriteConsoleLine(text.view());
            output::WriteLogEntry(text, output::notice, i % 2 == 0);
        }
    };
    std::thread worker(writer, 'w');
    writer('m');
    sim::PumpMessages();  // the main thread keeps showing the console meanwhile
    worker.join();

    std::string console = sim::Content("tramox.console");
    EXPECT_EQ(console, output::ConsoleText());
    EXPECT_EQ(PaneText(), console);
    std::string log = sim::Content(kLog).substr(header.size());
    for (char who : {'m', 'w'}) {
        size_t last = 0, lastEntry = 0;
        for (int i = 0; i < kLines; ++i) {
            std::string text = std::string(1, who) + std::to_string(i);
            size_t line = console.find(text + "\r\n");
            size_t entry = log.find("#00FFFF>" + text + (i % 2 ? "</FONT><BR>\r\n" : " </FONT>"));
            ASSERT_NE(line, std::string::npos) << text;
            ASSERT_NE(entry, std::string::npos) << text;
            EXPECT_GE(line, last);  // each thread's lines stay in its order
            EXPECT_GE(entry, lastEntry);
            last = line, lastEntry = entry;
        }
    }
    EXPECT_EQ(console.size(), 2u * (10 * 4 + 50 * 5));
    size_t entries = 0;
    for (size_t at = log.find("\r\n"); at != std::string::npos; at = log.find("\r\n", at + 2))
        ++entries;
    EXPECT_EQ(entries, 2u * kLines);
}

}  // namespace
