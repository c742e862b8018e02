#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "platform/simulated/sim.h"
#include "runtime/io_result.h"
#include "settings/settings.h"

namespace {

using settings::FieldKind;

std::string Golden(const char* name) {
    std::filesystem::path path = std::filesystem::path(__FILE__).parent_path() / "golden" / name;
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Join(std::initializer_list<std::string> lines, const char* end = "\r\n") {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

// The field as the file would show it: "yes"/"no", the number, or the text.
std::string ValueOf(const char* key) {
    const settings::SettingField& field = *settings::FindField(key);
    switch (field.kind) {
        case FieldKind::Flag:
            return (Settings.*field.flag) ? "yes" : "no";
        case FieldKind::Integer:
            return std::to_string(Settings.*field.integer);
        case FieldKind::SmallInteger:
            return std::to_string(Settings.*field.small);
        case FieldKind::Path:
            return Settings.*field.path;
        default:
            return (Settings.*field.text).str();
    }
}

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        rt::IoResult();
        settings::SetDefaultSettings();
    }

    void Load(const std::string& content) {
        sim::AddFile("tramox.ini", content);
        settings::ReadSettingsFile();
    }

    std::string Saved() {
        settings::WriteSettingsFile();
        return sim::Content("tramox.ini");
    }
};

using SettingsFileDeathTest = SettingsFileTest;

TEST_F(SettingsFileTest, SplitsAfterTheFirstBlank) {
    struct Row {
        const char* line;
        const char* key;
        const char* value;
    } rows[] = {
        {"htmlFont: Comic Sans MS", "htmlFont: ", "Comic Sans MS"},
        {"htmlFont:  Arial", "htmlFont: ", " Arial"},
        {"htmlFont: ", "htmlFont: ", ""},
        {"htmlFont:Arial", "htmlFont:Arial", ""},
        {" x", " ", "x"},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        settings::SplitLine split = settings::SplitSettingLine(row.line);
        EXPECT_EQ(split.keyPart.str(), row.key) << row.line;
        EXPECT_EQ(split.valuePart.str(), row.value) << row.line;
    }
}

TEST_F(SettingsFileTest, ReadsTheNumberGrammar) {
    struct Row {
        const char* text;
        std::optional<int32_t> number;
    } rows[] = {
        // clang-format off
        {"5", 5}, {" \t 5", 5}, {"+5", 5}, {"-5", -5}, {"$10", 16}, {"$fF", 255},
        {"%101", 5}, {"&17", 15}, {"-$10", -16}, {"0000000000000000000012", 12},
        {"2147483647", 2147483647}, {"$7FFFFFFF", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"2147483648", {}}, {"-2147483649", {}},
        {"$80000000", {}}, {"9999999999", {}}, {"", {}}, {"  ", {}}, {"-", {}}, {"$", {}},
        {"5 ", {}}, {"5\t", {}}, {"5a", {}}, {"+-5", {}}, {"$-5", {}}, {"%102", {}},
        {"&8", {}}, {"$G", {}}, {"0x10", {}}, {"1 000", {}},
        // clang-format on
    };
    for (const Row& row : rows)
        EXPECT_EQ(settings::ReadSettingNumber(row.text), row.number) << '"' << row.text << '"';
}

TEST_F(SettingsFileTest, AppliesEachLineByItsRules) {
    struct Row {
        std::string content;
        const char* key;
        const char* value;
    } rows[] = {
        {"verifyData: yes", "verifyData", "yes"},
        {"enableLog: no", "enableLog", "no"},
        {"verifyData: Yes", "verifyData", "no"},
        {"verifyData: yes ", "verifyData", "no"},
        {"verifyData:yes", "verifyData", "no"},
        {"verifyData: yes1", "verifyData", "no"},
        {"VerifyData: yes", "verifyData", "no"},
        {"depthRead: 1", "depthRead", "16"},
        {"depthRead: 2", "depthRead", "2"},
        {"depthWrite: 1", "depthWrite", "1"},
        {"depthWrite: 0", "depthWrite", "4"},
        {"numErrorsHalt: 8", "numErrorsHalt", "32"},
        {"numErrorsHalt: 9", "numErrorsHalt", "9"},
        {"rememberWindowVertical: 5\r\nrememberWindowVertical: 0", "rememberWindowVertical", "0"},
        {"rememberWindowVertical: 5\r\nrememberWindowVertical: -2147483648",
         "rememberWindowVertical", "5"},
        {"fontSizeHtmlLog: 255", "fontSizeHtmlLog", "255"},
        {"fontSizeHtmlLog: 256", "fontSizeHtmlLog", "1"},
        {"fontSizeHtmlLog: 0", "fontSizeHtmlLog", "1"},
        {"depthRead:  5", "depthRead", "5"},
        {"depthRead: \t5", "depthRead", "5"},
        {"depthRead: 5 ", "depthRead", "16"},
        {"depthRead: 5x", "depthRead", "16"},
        {"depthRead: ", "depthRead", "16"},
        {"depthRead: -5", "depthRead", "16"},
        {"depthRead:5", "depthRead", "16"},
        {"depthRead: $11", "depthRead", "17"},
        {"depthRead: $1a", "depthRead", "26"},
        {"depthRead: %101", "depthRead", "5"},
        {"depthRead: &17", "depthRead", "15"},
        {"depthRead: 9999999999", "depthRead", "16"},
        {"depthSearch: 2147483647", "depthSearch", "2147483647"},
        {"depthSearch: 2147483648", "depthSearch", "2048"},
        {"htmlFont: Comic Sans MS", "htmlFont", "Comic Sans MS"},
        {"htmlFont:  Arial", "htmlFont", " Arial"},
        {"htmlFont: ", "htmlFont", ""},
        {"htmlFont:", "htmlFont", "Arial"},
        {"backgroundColorHtmlLog: not a colour", "backgroundColorHtmlLog", "not a colour"},
        {"depthWrite: 7\r\ndepthWrite: 9", "depthWrite", "9"},
        {"depthWrite: 7\r\ndepthWrite: 0", "depthWrite", "7"},
        {"verifyData: yes\r\nverifyData: no", "verifyData", "no"},
    };
    for (const Row& row : rows) {
        SetUp();
        Load(row.content + "\r\n");
        EXPECT_EQ(ValueOf(row.key), row.value) << row.content;
    }
}

TEST_F(SettingsFileTest, LineEndsAndCtrlZ) {
    for (const char* end : {"\r\n", "\n", "\r"}) {
        SetUp();
        Load(Join({"verifyData: yes", "htmlFont: Verdana", "depthWrite: 7"}, end));
        EXPECT_EQ(ValueOf("verifyData"), "yes") << end[0];
        EXPECT_EQ(ValueOf("htmlFont"), "Verdana") << end[0];
        EXPECT_EQ(ValueOf("depthWrite"), "7") << end[0];
    }
    SetUp();
    Load(
        "depthWrite: 7\r\n\x1A"
        "depthRead: 5\r\n");
    EXPECT_EQ(ValueOf("depthWrite"), "7");
    EXPECT_EQ(ValueOf("depthRead"), "16");
}

TEST_F(SettingsFileTest, OnlyTheFirst255CharactersOfALineCount) {
    Load("htmlFont: " + std::string(290, 'f') + "\r\n" + "depthWrite: " + std::string(242, '0') +
         "7" + "junk past the cut\r\n");
    EXPECT_EQ(ValueOf("htmlFont"), std::string(245, 'f'));
    EXPECT_EQ(ValueOf("depthWrite"), "7");
}

TEST_F(SettingsFileTest, DefaultsWriteTheGoldenFile) { EXPECT_EQ(Saved(), Golden("defaults.ini")); }

TEST_F(SettingsFileTest, FilesThatChangeNothingLeaveTheDefaults) {
    for (const char* content :
         {"", "\r\n", "unknown: 5\r\n; a remark\r\nsaveSettings: maybe\r\n"}) {
        SetUp();
        Load(content);
        EXPECT_EQ(Saved(), Golden("defaults.ini")) << content;
    }
}

TEST_F(SettingsFileTest, ConditionalLines) {
    Settings.browserPath = "C:\\web\\browse.exe";
    Settings.lastSourceFile = "C:\\data\\*.txt";  // not written while saveSourceFile is no
    Settings.saveDestinyFolder = true;            // written even when empty
    Settings.rememberWindowVertical = 12;
    Settings.rememberWindowHorizontal = 34;  // not written: position not remembered
    Settings.rememberFolder = "D:\\out";
    std::string text = Saved();
    EXPECT_NE(text.find("showLogWhenDone: no\r\nbrowserPath: C:\\web\\browse.exe\r\n"
                        "watchProductVersion: yes\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("rememberWindowPosition: no\r\nsaveSourceFile: no\r\n"
                        "saveDestinyFolder: yes\r\nlastDestinyFolder: \r\n"
                        "rememberFolder: D:\\out\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("lastSourceFile"), std::string::npos);

    Settings.rememberWindowPosition = true;
    Settings.saveSourceFile = true;
    text = Saved();
    EXPECT_NE(text.find("rememberWindowPosition: yes\r\nrememberWindowVertical: 12\r\n"
                        "rememberWindowHorizontal: 34\r\nsaveSourceFile: yes\r\n"
                        "lastSourceFile: C:\\data\\*.txt\r\n"),
              std::string::npos);
}

// Every field with a value other than its default survives a save and a load.
TEST_F(SettingsFileTest, EveryFieldRoundTrips) {
    for (const settings::SettingField& field : settings::kFields) {
        switch (field.kind) {
            case FieldKind::Flag:
                Settings.*field.flag = field.defaultNumber == 0;
                break;
            case FieldKind::Integer:
                Settings.*field.integer = 100000 + field.minimum;
                break;
            case FieldKind::SmallInteger:
                Settings.*field.small = 200;
                break;
            case FieldKind::Path:
                Settings.*field.path = std::string(" a b ") + field.key;
                break;
            default:
                Settings.*field.text = std::string(" a b ") + field.key;
                break;
        }
    }
    Settings.saveSettings = true;
    std::string text = Saved();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 67);
    std::string written[settings::kFieldCount];
    for (int i = 0; i < settings::kFieldCount; ++i) written[i] = ValueOf(settings::kFields[i].key);
    settings::SetDefaultSettings();
    settings::ReadSettingsFile();
    for (int i = 0; i < settings::kFieldCount; ++i)
        EXPECT_EQ(ValueOf(settings::kFields[i].key), written[i]) << settings::kFields[i].key;
}

TEST_F(SettingsFileTest, HandEditedFileIsWrittenBackCleanly) {
    Load(Join({"; my settings", "depthRead: 3", "verifyData: yes", "depthRead: 1", "bogus",
               "saveDestinyFolder: yes", "readableFirst: yes", "lastDestinyFolder: E:\\backup",
               "depthRead: 5"},
              "\n"));
    std::string expected = Golden("defaults.ini");
    auto replace = [&](const std::string& from, const std::string& to) {
        expected.replace(expected.find(from), from.size(), to);
    };
    replace("depthRead: 16\r\n", "depthRead: 5\r\n");
    replace("verifyData: no\r\n", "verifyData: yes\r\n");
    replace("saveDestinyFolder: no\r\n",
            "saveDestinyFolder: yes\r\nlastDestinyFolder: E:\\backup\r\n");
    EXPECT_EQ(Saved(), expected + "readableFirst: yes\r\n");  // our own line comes last
}

// A remembered path comes back whole, at 255 characters as past them; any other text line keeps
// its first 255 characters.
TEST_F(SettingsFileTest, RememberedPathsComeBackWhole) {
    const std::string path = "C:\\" + std::string(252, 'p'), longer = "D:\\" + std::string(300, 'q');
    Settings.saveSourceFile = true;
    Settings.saveDestinyFolder = true;
    Settings.lastSourceFile = path;
    Settings.lastDestinyFolder = longer;
    Settings.rememberFolder = longer + "\\r";
    Settings.htmlFont = std::string(255, 'f');
    std::string saved = Saved();
    sim::AddFile("tramox.ini", saved + "htmlFont: " + std::string(300, 'g') + "\r\n");
    settings::SetDefaultSettings();
    settings::ReadSettingsFile();
    EXPECT_EQ(Settings.lastSourceFile, path);
    EXPECT_EQ(Settings.lastDestinyFolder, longer);
    EXPECT_EQ(Settings.rememberFolder, longer + "\\r");
    EXPECT_EQ(ValueOf("htmlFont"), std::string(245, 'g'));
}

TEST_F(SettingsFileTest, BrowserPathMustNameSomething) {
    sim::AddFile("C:\\web\\browse.exe", "MZ");
    struct Row {
        const char* path;
        const char* kept;
    } rows[] = {
        {"C:\\web\\browse.exe", "C:\\web\\browse.exe"},
        {"C:\\web", "C:\\web"},
        {"C:\\web\\missing.exe", ""},
        {"Q:\\nowhere\\browse.exe", ""},
        {"C:\\web\\", "C:\\web\\"},
        {"C:\\", "C:\\"},
        {"C:\\web\\*.exe", ""},  // a pattern names no program
    };
    for (const Row& row : rows) {
        Settings.browserPath = row.path;
        settings::TestLoadedNames();
        EXPECT_EQ(ValueOf("browserPath"), row.kept) << row.path;
    }
    EXPECT_EQ(Saved().find("browserPath"), std::string::npos);
}

TEST_F(SettingsFileTest, LogNameThatCannotBeWrittenFallsBack) {
    sim::AddFile("old.htm", "kept entries");
    sim::AddFile("locked.htm", "x", os::kAttrReadOnly);
    struct Row {
        const char* name;
        const char* kept;
    } rows[] = {
        {"new.htm", "new.htm"},
        {"old.htm", "old.htm"},
        {"C:\\missing\\log.htm", "tramox.log.htm"},
        {"locked.htm", "tramox.log.htm"},
        {"", "tramox.log.htm"},
    };
    for (const Row& row : rows) {
        Settings.logFileName = row.name;
        settings::TestLoadedNames();
        EXPECT_EQ(ValueOf("logFileName"), row.kept) << row.name;
    }
    // Tried by creating it, then taken away again so that the first run starts it fresh.
    EXPECT_FALSE(sim::Exists("new.htm"));
    EXPECT_EQ(sim::Count(sim::Op::Erase), 1);
    EXPECT_EQ(sim::Content("old.htm"), "kept entries");
    EXPECT_FALSE(sim::Exists("tramox.log.htm"));  // the default name is never tried
    EXPECT_EQ(rt::IoResult(), 0);
}

TEST_F(SettingsFileTest, NoFileMeansNoOpen) {
    settings::ReadSettingsFile();
    EXPECT_EQ(sim::Count(sim::Op::Open), 0);
    EXPECT_EQ(Saved(), Golden("defaults.ini"));
}

TEST_F(SettingsFileTest, WriterWaitsForTheLock) {
    std::thread writer;
    {
        std::lock_guard<std::mutex> report(settings::SettingsFileLock());
        writer = std::thread([] { settings::WriteSettingsFile(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(sim::Exists("tramox.ini"));
    }
    writer.join();
    EXPECT_EQ(sim::Content("tramox.ini"), Golden("defaults.ini"));
}

TEST_F(SettingsFileDeathTest, FileThatCannotBeReadEndsTheProgram) {
    sim::AddFile("tramox.ini", "depthRead: 5\r\n");
    sim::FailOperation(sim::Op::Open, "*tramox.ini", -1, 5);
    EXPECT_EXIT(settings::ReadSettingsFile(), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
    sim::ClearFaults();
    sim::HoldOpen("tramox.ini", os::kAccessWrite, 0);
    EXPECT_EXIT(settings::ReadSettingsFile(), testing::ExitedWithCode(32),
                "Runtime error 32 at 0x");
    sim::ReleaseHeld();
    sim::FailOperation(sim::Op::Read, "*tramox.ini", 1, os::kErrorCrc);
    EXPECT_EXIT(settings::ReadSettingsFile(), testing::ExitedWithCode(23),
                "Runtime error 23 at 0x");
}

TEST_F(SettingsFileDeathTest, FileThatCannotBeWrittenEndsTheProgram) {
    sim::AddFile("tramox.ini", "", os::kAttrReadOnly);
    EXPECT_EXIT(settings::WriteSettingsFile(), testing::ExitedWithCode(5), "Runtime error 5 at 0x");
    sim::AddFile("tramox.ini", "");
    sim::FailOperation(sim::Op::Write, "*tramox.ini", 1, os::kErrorDiskFull);
    EXPECT_EXIT(settings::WriteSettingsFile(), testing::ExitedWithCode(112),
                "Runtime error 112 at 0x");
}

}  // namespace
