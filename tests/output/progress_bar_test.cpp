#include "output/progress_bar.h"

#include "output/display.h"
#include "output_fixture.h"

namespace {

using output_test::OutputTest;

constexpr uint32_t kUntouched = 0xFFFFFFFFu;

uint32_t Grey(uint32_t level) { return level + 256 * level + 65536 * level; }
uint32_t Blue(uint32_t level) { return 65536 * level; }

// 128 + round(3.2 i) for i = 0 to 39.
const uint32_t kLevels[40] = {128, 131, 134, 138, 141, 144, 147, 150, 154, 157, 160, 163, 166, 170,
                              173, 176, 179, 182, 186, 189, 192, 195, 198, 202, 205, 208, 211, 214,
                              218, 221, 224, 227, 230, 234, 237, 240, 243, 246, 250, 253};

class ProgressBarTest : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        MakeWindows();
    }

    // Every pixel of every cell, and the background around and between them.
    void ExpectBar(int filled) {
        os::Window window = Controls.mainWindow;
        for (int i = 0; i < 40; ++i) {
            uint32_t want = i < filled ? Blue(kLevels[i]) : Grey(kLevels[i]);
            for (int y = 420; y <= 426; ++y)
                for (int x = 10 + 8 * i; x <= 16 + 8 * i; ++x)
                    ASSERT_EQ(sim::Pixel(window, x, y), want)
                        << "cell " << i << " " << x << "," << y;
            for (int y = 419; y <= 427; ++y)
                EXPECT_EQ(sim::Pixel(window, 17 + 8 * i, y), kUntouched);
        }
        for (int x = 9; x <= 330; ++x) {
            EXPECT_EQ(sim::Pixel(window, x, 419), kUntouched) << x;
            EXPECT_EQ(sim::Pixel(window, x, 427), kUntouched) << x;
        }
        EXPECT_EQ(sim::Pixel(window, 9, 423), kUntouched);
        EXPECT_EQ(sim::DeviceContextsHeld(), 0);
    }
};

TEST_F(ProgressBarTest, CellsColouredByFill) {
    for (int filled : {0, 15, 40}) {
        output::DrawProgressBar(static_cast<uint8_t>(filled), output::kProgressCells);
        ExpectBar(filled);
    }
    output::DrawProgressBar(200, output::kProgressCells);  // beyond the cells fills them all
    ExpectBar(40);
}

// The worker's texts and bar queue up while the main thread is busy; one batch shows the
// newest of each, drawing the bar once.
TEST_F(ProgressBarTest, QueuedBatchShowsTheNewest) {
    output::ResetQueued();
    os::Window other = os::MakeWindow(0, "STATIC", "", os::kStyleChild | os::kStyleVisible, 10, 400,
                                      100, 12, Controls.mainWindow);
    output::ShowText(Controls.consolePane, "1%");
    output::ShowProgressBar(3);
    output::ShowText(other, "x");
    output::ShowText(Controls.consolePane, "2%");
    output::ShowProgressBar(7);
    int taken = sim::DeviceContextsTaken();
    output::ShowQueued();
    EXPECT_EQ(sim::Info(Controls.consolePane).text, "2%");
    EXPECT_EQ(sim::Info(other).text, "x");
    ExpectBar(7);
    EXPECT_EQ(sim::DeviceContextsTaken() - taken, 1);
}

TEST(FilledCells, RoundsToNearest) {
    const uint8_t cases[][2] = {{0, 0}, {1, 0}, {2, 1}, {37, 15}, {51, 20}, {99, 40}, {100, 40}};
    for (const auto& c : cases) EXPECT_EQ(output::FilledCells(c[0]), c[1]) << int(c[0]);
}

}  // namespace
