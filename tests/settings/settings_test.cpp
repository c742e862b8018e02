#include "settings/settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using settings::FieldKind;

// The options as users know them: key, kind, default, smallest accepted number, check box.
struct Expected {
    const char* key;
    FieldKind kind;
    const char* value;
    int64_t minimum;
    const char* box;
};
constexpr FieldKind F = FieldKind::Flag, I = FieldKind::Integer, S = FieldKind::SmallInteger,
                    T = FieldKind::Text, C = FieldKind::Colour, P = FieldKind::Path;

const Expected kExpected[] = {
    {"enableLog", F, "yes", 0, "Enable logging"},
    {"rewriteLog", F, "yes", 0, "Overwrite log"},
    {"logFileName", T, "tramox.log.htm", 0, nullptr},
    {"backgroundColorHtmlLog", C, "0000FF", 0, nullptr},
    {"fontColorHtmlLog", C, "FFFFFF", 0, nullptr},
    {"linkColorHtmlLog", C, "FFAA00", 0, nullptr},
    {"errorColorHtmlLog", C, "FF0000", 0, nullptr},
    {"warningColorHtmlLog", C, "FFFF00", 0, nullptr},
    {"noticeColorHtmlLog", C, "00FFFF", 0, nullptr},
    {"htmlFont", T, "Arial", 0, nullptr},
    {"fontSizeHtmlLog", S, "1", 1, nullptr},
    {"logStats", F, "yes", 0, "Log statistics"},
    {"logSettings", F, "no", 0, "Log settings"},
    {"showLogWhenDone", F, "no", 0, nullptr},
    {"browserPath", T, "", 0, nullptr},
    {"watchProductVersion", F, "yes", 0, nullptr},
    {"updateTitle", F, "yes", 0, nullptr},
    {"proceedMinimized", F, "no", 0, "Run minimized"},
    {"printProgress", F, "yes", 0, "Display progress"},
    {"printDetail", F, "yes", 0, "Show file details"},
    {"enableConsole", F, "yes", 0, "Enable print result"},
    {"showProgressBar", F, "yes", 0, nullptr},
    {"progressBarLatency", I, "1", 1, nullptr},
    {"clearConsole", F, "no", 0, nullptr},
    {"dumpResults", F, "no", 0, nullptr},
    {"recognize", F, "no", 0, "Recognize medium"},
    {"forceAccess", F, "no", 0, "Force file access"},
    {"subDamagedBitByZero", F, "no", 0, nullptr},
    {"destinyFileAttributeSystem", F, "no", 0, nullptr},
    {"destinyFileAttributeHidden", F, "no", 0, nullptr},
    {"destinyFileAttributeReadOnly", F, "no", 0, nullptr},
    {"skipSystemFiles", F, "no", 0, "Skip system files"},
    {"skipHiddenFiles", F, "no", 0, "Skip hidden files"},
    {"skipReadOnlyFiles", F, "no", 0, "Skip read only files"},
    {"skipEmptyFiles", F, "no", 0, "Skip empty files"},
    {"depthRead", I, "16", 2, nullptr},
    {"depthWrite", I, "4", 1, nullptr},
    {"depthAccess", I, "32", 1, nullptr},
    {"depthClose", I, "8", 1, nullptr},
    {"depthVerify", I, "1", 1, nullptr},
    {"depthSearchSource", I, "2048", 1, nullptr},
    {"depthSearchFolder", I, "1024", 1, nullptr},
    {"depthTryCreateFolder", I, "2048", 1, nullptr},
    {"depthPrepareSource", I, "4196", 2, nullptr},
    {"depthPrepareDestiny", I, "4196", 1, nullptr},
    {"depthOpenSource", I, "33568", 2, nullptr},
    {"depthSearchDestiny", I, "2048", 1, nullptr},
    {"depthCreateDestiny", I, "1024", 1, nullptr},
    {"depthCloseSource", I, "512", 1, nullptr},
    {"depthCloseDestiny", I, "8392", 2, nullptr},
    {"depthSearch", I, "2048", 1, nullptr},
    {"verifyData", F, "no", 0, "Verify copied data"},
    {"enableFasterCopy", F, "no", 0, "Force faster copying"},
    {"haltOnFirstError", F, "no", 0, "Halt on first error"},
    {"numErrorsHalt", I, "32", 9, nullptr},
    {"waitEnterAfterEachCopy", F, "no", 0, nullptr},
    {"exitAfterCopy", F, "no", 0, nullptr},
    {"saveSettings", F, "yes", 0, "Save settings"},
    {"rememberWindowPosition", F, "no", 0, nullptr},
    {"rememberWindowVertical", I, "0", 0, nullptr},
    {"rememberWindowHorizontal", I, "0", 0, nullptr},
    {"saveSourceFile", F, "no", 0, nullptr},
    {"lastSourceFile", P, "", 0, nullptr},
    {"saveDestinyFolder", F, "no", 0, nullptr},
    {"lastDestinyFolder", P, "", 0, nullptr},
    {"rememberFolder", P, "", 0, nullptr},
    {"readableFirst", F, "no", 0, nullptr},
};
static_assert(sizeof kExpected / sizeof kExpected[0] == settings::kFieldCount);

std::string ValueText(const settings::SettingField& field) {
    switch (field.kind) {
        case FieldKind::Flag: return Settings.*field.flag ? "yes" : "no";
        case FieldKind::Integer: return std::to_string(int32_t(Settings.*field.integer));
        case FieldKind::SmallInteger: return std::to_string(int(Settings.*field.small));
        case FieldKind::Path: return Settings.*field.path;
        default: return (Settings.*field.text).str();
    }
}

TEST(SettingsModel, DefaultsKindsAndBoxesFollowTheOptionTable) {
    Settings.depthRead = 99;
    Settings.htmlFont = "Courier";
    settings::SetDefaultSettings();
    for (int i = 0; i < settings::kFieldCount; ++i) {
        const settings::SettingField& field = settings::kFields[i];
        const Expected& want = kExpected[i];
        SCOPED_TRACE(want.key);
        EXPECT_STREQ(field.key, want.key);
        EXPECT_EQ(field.kind, want.kind);
        EXPECT_EQ(ValueText(field), want.value);
        if (want.box) EXPECT_STREQ(field.checkBox, want.box);
        else EXPECT_EQ(field.checkBox, nullptr);
        if (want.kind == I || want.kind == S) {
            EXPECT_FALSE(settings::Accepts(field, want.minimum - 1));
            EXPECT_TRUE(settings::Accepts(field, want.minimum));
        }
    }
}

TEST(SettingsModel, AcceptanceUpperBounds) {
    const settings::SettingField* size = settings::FindField("fontSizeHtmlLog");
    ASSERT_NE(size, nullptr);
    EXPECT_TRUE(settings::Accepts(*size, 255));
    EXPECT_FALSE(settings::Accepts(*size, 256));  // would wrap to 0 in eight bits
    const settings::SettingField* depth = settings::FindField("depthSearch");
    EXPECT_TRUE(settings::Accepts(*depth, 2147483647));
    EXPECT_FALSE(settings::Accepts(*depth, 2147483648LL));
    EXPECT_EQ(settings::FindField("DepthSearch"), nullptr);  // keys are case-sensitive
}

TEST(SettingsModel, EighteenBoxesInScreenOrderAllFlags) {
    const char* captions[settings::kCheckBoxCount] = {
        "Enable logging",      "Overwrite log",       "Log settings",      "Log statistics",
        "Display progress",    "Show file details",   "Run minimized",     "Verify copied data",
        "Recognize medium",    "Force faster copying", "Force file access", "Skip system files",
        "Skip hidden files",   "Skip read only files", "Skip empty files", "Enable print result",
        "Halt on first error", "Save settings"};
    int boxes = 0;
    for (const settings::SettingField& field : settings::kFields) boxes += field.checkBox != nullptr;
    EXPECT_EQ(boxes, settings::kCheckBoxCount);
    for (int box = 0; box < settings::kCheckBoxCount; ++box) {
        const settings::SettingField& field = settings::CheckBoxField(box);
        EXPECT_EQ(field.kind, FieldKind::Flag);
        EXPECT_STREQ(field.checkBox, captions[box]);
    }
}

}  // namespace
