#include "output/html_log.h"

#include <string>
#include <vector>

#include "output/messages.h"
#include "output_fixture.h"

namespace {

using output_test::Golden;
using output_test::OutputTest;

const char* const kLog = "tramox.log.htm";

// The "Logged" line of the only header in the log.
std::string LoggedLine() {
    std::string log = sim::Content(kLog);
    size_t start = log.find("Logged ");
    return start == std::string::npos ? "" : log.substr(start, log.find("\r\n", start) - start);
}

os::LocalTime At(uint16_t year, uint16_t month, uint16_t day, uint16_t hour = 14,
                 uint16_t minute = 7, uint16_t second = 9, uint16_t milliseconds = 51) {
    return os::LocalTime{year, month, 0, day, hour, minute, second, milliseconds};
}

using HtmlLogTest = OutputTest;

TEST_F(HtmlLogTest, FreshHeaderUnderDefaults) {
    sim::AddFile(kLog, "an older run\r\n");
    output::BeginLogRun();
    EXPECT_EQ(sim::Content(kLog), Golden("fresh_header.htm"));
}

TEST_F(HtmlLogTest, SecondRunAppendsBreakAndHeader) {
    Settings.rewriteLog = false;
    output::BeginLogRun();
    output::WriteLogEntry("Copying files \"<B>C:\\data\\*.txt</B>\" to \"D:\\out\"", output::plain,
                          false);
    sim::SetLocalTime(At(2011, 1, 11, 9, 0, 0, 0));
    output::BeginLogRun();
    std::string log = sim::Content(kLog);
    EXPECT_EQ(log, Golden("two_runs.htm"));
    EXPECT_EQ(log.find("<HTML>", 1), std::string::npos);
}

TEST_F(HtmlLogTest, AppendingUsesTheCustomLogName) {
    Settings.rewriteLog = false;
    Settings.logFileName = "C:\\logs\\run.htm";
    sim::AddFile("C:\\logs\\run.htm", "earlier\r\n", os::kAttrArchive | os::kAttrHidden);
    output::BeginLogRun();
    EXPECT_EQ(sim::Content("C:\\logs\\run.htm").rfind("earlier\r\n<BR>\r\n", 0), 0u);
    EXPECT_FALSE(sim::Exists(kLog));
}

TEST_F(HtmlLogTest, NothingWithLoggingOff) {
    Settings.enableLog = false;
    Settings.showLogWhenDone = true;
    Settings.browserPath = "C:\\b.exe";
    output::BeginLogRun();
    output::WriteLogEntry("x", output::plain, false);
    output::EndLogRun();
    EXPECT_FALSE(sim::Exists(kLog));
    EXPECT_TRUE(sim::StartedPrograms().empty());
}

TEST_F(HtmlLogTest, DateAndTimeText) {
    struct Case {
        os::LocalTime time;
        const char* logged;
    } cases[] = {
        {At(2010, 5, 1), "Logged 1st May 2010 14:07:09:05"},
        {At(2010, 5, 2), "Logged 2nd May 2010 14:07:09:05"},
        {At(2010, 5, 3), "Logged 3rd May 2010 14:07:09:05"},
        {At(2010, 5, 4), "Logged 4th May 2010 14:07:09:05"},
        {At(2010, 5, 11), "Logged 11th May 2010 14:07:09:05"},
        {At(2010, 5, 12), "Logged 12th May 2010 14:07:09:05"},
        {At(2010, 5, 13), "Logged 13th May 2010 14:07:09:05"},
        {At(2010, 2, 21), "Logged 21st February 2010 14:07:09:05"},
        {At(2010, 9, 22), "Logged 22nd September 2010 14:07:09:05"},
        {At(2010, 12, 23), "Logged 23rd December 2010 14:07:09:05"},
        {At(2010, 10, 31), "Logged 31st October 2010 14:07:09:05"},
        {At(2011, 1, 11, 9, 0, 0, 0), "Logged 11th January 2011 9:00:00:00"},
        {At(2010, 5, 3, 9, 5, 7, 4), "Logged 3rd May 2010 9:05:07:00"},
        {At(2010, 5, 3, 0, 59, 59, 999), "Logged 3rd May 2010 0:59:59:99"},
        {At(2010, 5, 3, 23, 10, 10, 100), "Logged 3rd May 2010 23:10:10:10"},
    };
    for (const Case& c : cases) {
        sim::SetLocalTime(c.time);
        output::BeginLogRun();
        EXPECT_EQ(LoggedLine(), c.logged);
    }
}

TEST_F(HtmlLogTest, OutdatedNoticeFromFirstMay2010) {
    struct Case {
        os::LocalTime time;
        bool watch, outdated;
    } cases[] = {
        {At(2010, 4, 30), true, false}, {At(2009, 12, 31), true, false},
        {At(2010, 5, 1), true, true},   {At(2011, 1, 1), true, true},
        {At(2010, 5, 1), false, false}, {At(2012, 6, 1), false, false},
    };
    for (const Case& c : cases) {
        sim::SetLocalTime(c.time);
        Settings.watchProductVersion = c.watch;
        output::BeginLogRun();
        std::string log = sim::Content(kLog);
        bool notice = log.find(">Your version seems to be outdated</FONT><BR>\r\n") != log.npos;
        bool download = log.find(">Actual version available at: </FONT><A HREF=") != log.npos;
        EXPECT_EQ(notice, c.outdated) << c.time.year << "-" << c.time.month << "-" << c.time.day;
        EXPECT_EQ(download, c.outdated);
    }
}

TEST_F(HtmlLogTest, BrowserStartAtTheEnd) {
    // 23 characters of quotes, blank, "C:\web.exe", "C:\work" and "/" around the log name.
    const std::string fits(232, 'n');
    struct Case {
        const char* browser;
        bool show;
        std::string logName;
        std::string command;  // empty: nothing started
    } cases[] = {
        {"C:\\Program Files\\Web\\web.exe", true, kLog,
         "\"C:\\Program Files\\Web\\web.exe\" \"C:\\work/tramox.log.htm\""},
        {"", true, kLog, ""},
        {"C:\\web.exe", false, kLog, ""},
        {"C:\\web.exe", true, fits, "\"C:\\web.exe\" \"C:\\work/" + fits + "\""},
        {"C:\\web.exe", true, fits + "n", ""},
        // A name with its own folder or drive is not put after the current one.
        {"C:\\web.exe", true, "D:\\logs\\a.htm", "\"C:\\web.exe\" \"D:\\logs\\a.htm\""},
        {"C:\\web.exe", true, "\\\\nas\\logs\\a.htm", "\"C:\\web.exe\" \"\\\\nas\\logs\\a.htm\""},
        {"C:\\web.exe", true, "logs\\a.htm", "\"C:\\web.exe\" \"C:\\work/logs\\a.htm\""},
    };
    for (const Case& c : cases) {
        sim::Reset();
        Settings.browserPath = c.browser;
        Settings.showLogWhenDone = c.show;
        Settings.logFileName = ShortText(c.logName);
        output::EndLogRun();
        std::vector<std::string> started = sim::StartedPrograms();
        if (c.command.empty()) {
            EXPECT_TRUE(started.empty()) << c.browser << " " << c.logName;
        } else {
            ASSERT_EQ(started.size(), 1u);
            EXPECT_EQ(started[0], c.command);
        }
    }
}

TEST_F(HtmlLogTest, ReadOnlyLogEndsTheProgramWhenRewritten) {
    sim::AddFile(kLog, "old", os::kAttrReadOnly);
    EXPECT_EXIT(output::BeginLogRun(), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
}

TEST_F(HtmlLogTest, LogThatCannotBeExtendedEndsTheProgram) {
    Settings.rewriteLog = false;
    sim::AddFile(kLog, "old");
    sim::HoldOpen(kLog, os::kAccessWrite, 0);
    EXPECT_EXIT(output::BeginLogRun(), testing::ExitedWithCode(32), "Runtime error 32 at 0x");
    Settings.logFileName = "C:\\no folder\\log.htm";
    EXPECT_EXIT(output::BeginLogRun(), testing::ExitedWithCode(3), "Runtime error 3 at 0x");
    Settings.rewriteLog = true;
    EXPECT_EXIT(output::BeginLogRun(), testing::ExitedWithCode(3), "Runtime error 3 at 0x");
}

TEST_F(HtmlLogTest, VanishedLogEndsTheProgramAtTheNextEntry) {
    output::BeginLogRun();
    os::EraseFile(kLog);
    EXPECT_EXIT(output::WriteLogEntry("x", output::plain, false), testing::ExitedWithCode(2),
                "Runtime error 2 at 0x");
}

}  // namespace
