#include "output/settings_report.h"

#include <string>
#include <thread>

#include "output_fixture.h"
#include "settings/settings_file.h"

namespace {

using output_test::Golden;
using output_test::kDefaultHeadLine;
using output_test::OutputTest;

const char* const kLog = "tramox.log.htm";
const char* const kIni = "tramox.ini";

using SettingsReportTest = OutputTest;

// Mixed line ends, markup, an empty line, a line past 255 characters (cut), a remembered path
// past it (whole) and a Ctrl-Z end.
TEST_F(SettingsReportTest, CopiesTheFileLineByLine) {
    sim::AddFile(kIni, Golden("report_source.ini"));
    output::ReportSettings();
    EXPECT_EQ(sim::Content(kLog), Golden("settings_report.htm"));
}

// The report shows the file as saved, not the record in memory.
TEST_F(SettingsReportTest, ReportsTheSavedFile) {
    settings::WriteSettingsFile();
    Settings.verifyData = true;
    output::ReportSettings();
    std::string log = sim::Content(kLog);
    EXPECT_EQ(log.rfind(kDefaultHeadLine +
                            "<FONT FACE=Arial SIZE=1 COLOR=#FFFFFF><U>Settings</U></FONT><BR>\r\n"
                            "<FONT FACE=Arial SIZE=1 COLOR=#00FFFF>enableLog: yes</FONT><BR>\r\n",
                        0),
              0u);
    EXPECT_NE(log.find(">verifyData: no<"), std::string::npos);
}

TEST_F(SettingsReportTest, NoFileNoHeading) {
    output::BeginLogRun();
    std::string header = sim::Content(kLog);
    output::ReportSettings();
    EXPECT_EQ(sim::Content(kLog), header);
}

TEST_F(SettingsReportTest, EmptyFileGivesOneEmptyNotice) {
    sim::AddFile(kIni, "");
    output::ReportSettings();
    EXPECT_EQ(sim::Content(kLog),
              kDefaultHeadLine +
                  "<FONT FACE=Arial SIZE=1 COLOR=#FFFFFF><U>Settings</U></FONT><BR>\r\n"
                  "<FONT FACE=Arial SIZE=1 COLOR=#00FFFF></FONT><BR>\r\n");
}

TEST_F(SettingsReportTest, LoggingOffStillReadsTheFile) {
    sim::AddFile(kIni, "enableLog: no\r\n");
    Settings.enableLog = false;
    output::ReportSettings();
    EXPECT_FALSE(sim::Exists(kLog));
    EXPECT_EQ(sim::Count(sim::Op::Open), 1);
    EXPECT_EQ(sim::Count(sim::Op::Close), 1);
}

TEST_F(SettingsReportTest, UnreadableFileEndsTheProgram) {
    sim::AddFile(kIni, "x\r\n");
    sim::FailOperation(sim::Op::Open, "*tramox.ini", 1, os::kErrorSharingViolation);
    EXPECT_EXIT(output::ReportSettings(), testing::ExitedWithCode(32), "Runtime error 32 at 0x");
}

// A report on the worker may meet the settings being saved at shutdown: each report is a whole
// copy of one version of the file.
TEST_F(SettingsReportTest, KeptApartFromTheWriter) {
    settings::WriteSettingsFile();
    std::string saved = sim::Content(kIni);
    std::thread writer([] {
        for (int i = 0; i < 20; ++i) settings::WriteSettingsFile();
    });
    for (int i = 0; i < 20; ++i) output::ReportSettings();
    writer.join();
    size_t lines = 0;
    for (char c : saved) lines += c == '\n';
    size_t entries = 0;
    std::string log = sim::Content(kLog);
    for (char c : log) entries += c == '\n';
    EXPECT_EQ(entries, 1 + 20 * (lines + 1));  // the head line, then the reports
}

}  // namespace
