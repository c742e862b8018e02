#include "app/main_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/simulated/sim.h"
#include "settings/settings.h"

namespace {

struct Font {
    int32_t height, width, weight;
    bool underline;
};
const Font kSmall{7, 5, 0, false}, kTitle{24, 24, 1200, false}, kBold{9, 8, 1200, false},
    kHeavy{7, 5, 900, false}, kUnder{7, 5, 0, true}, kLarge{16, 15, 500, false};

struct Row {
    const char* className;
    const char* text;  // nullptr: our own wording, not checked
    int32_t x, y, w, h;
    uint32_t exStyle, style;
    Font font;
    bool enabled;
};
constexpr uint32_t kLabelEx = 0x10000, kLabel = 0x40000000, kButton = 0x40030300,
                   kBox = 0x40030003, kEditEx = 0x10200, kEdit = 0x40020000,
                   kConsole = 0x403108C4;

// The window as users see it, in creation (tab) order.
std::vector<Row> ExpectedControls() {
    std::vector<Row> rows = {
        {"EDIT", "", 10, 150, 370, 200, kLabelEx, kConsole, kSmall, true},
        {"EDIT", "", 10, 20, 300, 20, kEditEx, kEdit, kBold, true},
        {"EDIT", "", 10, 70, 300, 20, kEditEx, kEdit, kBold, true},
        {"STATIC", nullptr, 400, 410, 200, 14, kLabelEx, kLabel, kHeavy, true},
        {"STATIC", "Source files", 10, 5, 300, 15, kLabelEx, kLabel, kSmall, true},
        {"STATIC", "Destiny folder", 10, 55, 300, 15, kLabelEx, kLabel, kSmall, true},
        {"STATIC", "Ready", 10, 375, 360, 15, kLabelEx, kLabel, kSmall, true},
        {"STATIC", "", 10, 390, 390, 15, kLabelEx, kLabel, kSmall, true},
        {"STATIC", "Settings", 400, 6, 240, 15, kLabelEx, kLabel, kUnder, true},
        {"STATIC", "", 10, 405, 360, 15, kLabelEx, kLabel, kSmall, true},
        {"STATIC", "version v4.66", 400, 424, 200, 15, kLabelEx, kLabel, kSmall, true},
        {"STATIC", "tramox", 400, 385, 70, 25, kLabelEx, kLabel, kTitle, true},
        {"STATIC", nullptr, 470, 392, 50, 15, kLabelEx, kLabel, kSmall, true},
        {"STATIC", "Result", 10, 132, 300, 15, kLabelEx, kLabel, kLarge, true},
        {"STATIC", "State", 10, 362, 360, 15, kLabelEx, kLabel, kSmall, true},
        {"BUTTON", "Copy", 10, 100, 60, 20, kLabelEx, kButton, kBold, true},
        {"BUTTON", "Stop", 150, 100, 60, 20, kLabelEx, kButton, kSmall, false},
        {"BUTTON", "Browse", 320, 20, 60, 20, kLabelEx, kButton, kSmall, true},
        {"BUTTON", "Browse", 320, 70, 60, 20, kLabelEx, kButton, kSmall, true},
        {"BUTTON", "Pause", 80, 100, 60, 20, kLabelEx, kButton, kSmall, false},
        {"BUTTON", "Clear", 220, 100, 60, 20, kLabelEx, kButton, kSmall, true},
        {"BUTTON", "Remember", 320, 100, 60, 20, kLabelEx, kButton, kSmall, true},
    };
    const char* boxes[] = {"Enable logging",      "Overwrite log",        "Log settings",
                           "Log statistics",      "Display progress",     "Show file details",
                           "Run minimized",       "Verify copied data",   "Recognize medium",
                           "Force faster copying", "Force file access",   "Skip system files",
                           "Skip hidden files",   "Skip read only files", "Skip empty files",
                           "Enable print result", "Halt on first error",  "Save settings"};
    int32_t y = 20;
    for (const char* caption : boxes) {
        rows.push_back({"BUTTON", caption, 400, y, 240, 20, kLabelEx, kBox, kSmall, true});
        y += 20;
    }
    return rows;
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        app::RegisterMainClass();
        window = app::CreateMainWindow();
        settings::SetDefaultSettings();
        app::CreateControls();
    }
    os::Window window = 0;
};

TEST_F(MainWindowTest, ClassAndWindow) {
    os::WindowClass windowClass{};
    ASSERT_TRUE(sim::ClassRegistered("tramox", &windowClass));
    EXPECT_EQ(windowClass.style, 203u);
    EXPECT_EQ(windowClass.icon, 32512u);
    EXPECT_EQ(windowClass.cursor, 32512u);
    EXPECT_EQ(windowClass.background, 16u);

    sim::WindowInfo info = sim::Info(window);
    EXPECT_EQ(info.text, "tramox");
    EXPECT_EQ(info.style, 0x10CA0000u);
    EXPECT_EQ(info.style & (os::kStyleMaximizeBox | os::kStyleThickFrame), 0u);
    EXPECT_EQ(info.exStyle, 0u);
    EXPECT_EQ(info.width, 530);
    EXPECT_EQ(info.height, 466);
    EXPECT_EQ(info.parent, 0u);
    EXPECT_EQ(info.showCommand, os::kShow);
    EXPECT_EQ(Controls.mainWindow, window);
}

TEST_F(MainWindowTest, EveryControlInCreationOrder) {
    std::vector<sim::WindowInfo> children;
    for (const sim::WindowInfo& info : sim::Windows())
        if (info.parent == window) children.push_back(info);
    std::vector<Row> rows = ExpectedControls();
    ASSERT_EQ(children.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& want = rows[i];
        const sim::WindowInfo& got = children[i];
        SCOPED_TRACE(std::to_string(i) + " " + (want.text ? want.text : "(own text)"));
        EXPECT_EQ(got.className, want.className);
        if (want.text) EXPECT_EQ(got.text, want.text);
        else EXPECT_FALSE(got.text.empty());
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.width, want.w);
        EXPECT_EQ(got.height, want.h);
        EXPECT_EQ(got.exStyle, want.exStyle);
        EXPECT_EQ(got.style & ~os::kStyleDisabled, want.style);
        EXPECT_EQ(got.enabled, want.enabled);
        EXPECT_TRUE(got.visible);
        EXPECT_EQ(got.check, os::kCheckUnchecked);  // until the settings are applied
        os::FontShape font = sim::FontOf(got.font);
        EXPECT_EQ(font.height, want.font.height);
        EXPECT_EQ(font.width, want.font.width);
        EXPECT_EQ(font.weight, want.font.weight);
        EXPECT_EQ(font.underline != 0, want.font.underline);
    }
}

TEST_F(MainWindowTest, SixFontsAndTheirDeletion) {
    std::vector<sim::FontInfo> fonts = sim::Fonts();
    ASSERT_EQ(fonts.size(), 6u);
    const Font order[] = {kSmall, kTitle, kBold, kHeavy, kUnder, kLarge};
    for (int i = 0; i < 6; ++i) {
        const os::FontShape& shape = fonts[i].shape;
        EXPECT_EQ(shape.height, order[i].height);
        EXPECT_EQ(shape.weight, order[i].weight);
        EXPECT_STREQ(shape.face, "MS Sans Serif");
        EXPECT_EQ(shape.quality, 2);
        EXPECT_EQ(shape.italic | shape.strikeOut | shape.charSet | shape.pitchAndFamily, 0);
        EXPECT_EQ(shape.escapement | shape.orientation, 0);
    }
    app::DeleteFonts();
    for (const sim::FontInfo& font : sim::Fonts()) EXPECT_TRUE(font.deleted);
}

TEST_F(MainWindowTest, HandlesNameTheRightControls) {
    EXPECT_EQ(sim::Info(Controls.stateLine).text, "Ready");
    EXPECT_EQ(sim::Info(Controls.copyButton).text, "Copy");
    EXPECT_EQ(sim::Info(Controls.pauseButton).text, "Pause");
    EXPECT_EQ(sim::Info(Controls.sourceBrowse).y, 20);
    EXPECT_EQ(sim::Info(Controls.destinyBrowse).y, 70);
    EXPECT_EQ(sim::Info(Controls.checkBoxes[17]).text, "Save settings");
    EXPECT_EQ(sim::Info(Controls.consolePane).height, 200);
}

}  // namespace
