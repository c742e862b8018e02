#include "progress_bar_check.h"

#include <cmath>
#include <string>

#include "checks.h"
#include "window_reading.h"

namespace e2e {

namespace {

constexpr int kLeft = 10, kTop = 420, kCells = 40, kPitch = 8, kSide = 7;
constexpr int kShownMismatches = 5;

// Cell i is level 128 + round(3.2 i): blue alone when filled, grey otherwise.
COLORREF CellColor(int cell, int filled) {
    auto level = static_cast<BYTE>(128 + std::lround(3.2 * cell));
    return cell < filled ? RGB(0, 0, level) : RGB(level, level, level);
}

struct Mismatches {
    int count = 0;
    std::string shown;
    void Add(int x, int y, COLORREF got, COLORREF expected) {
        if (++count > kShownMismatches) return;
        shown += "(" + std::to_string(x) + "," + std::to_string(y) + ") " + Hex(got) + " not " +
                 Hex(expected) + "; ";
    }
    std::string Detail() const { return std::to_string(count) + " wrong pixels: " + shown; }
};

}  // namespace

// Each cell is 7 by 7 pixels from column 10 + 8 i and row 420; the column after each cell and
// row 427 keep the window's background.
void CheckProgressBar(HWND window, int filled) {
    PixelBlock block = ReadPixels(window, kLeft, kTop, kLeft + kCells * kPitch, kTop + kPitch);
    COLORREF background = GetSysColor(COLOR_BTNFACE);
    Mismatches cells, gaps;
    for (int y = kTop; y < kTop + kPitch; ++y) {
        for (int x = kLeft; x < kLeft + kCells * kPitch; ++x) {
            int cell = (x - kLeft) / kPitch;
            bool inCell = (x - kLeft) % kPitch < kSide && y - kTop < kSide;
            COLORREF expected = inCell ? CellColor(cell, filled) : background;
            if (block.At(x, y) != expected)
                (inCell ? cells : gaps).Add(x, y, block.At(x, y), expected);
        }
    }
    std::string state = std::to_string(filled) + " of 40 cells filled";
    Check("progress bar cells, " + state, cells.count == 0, cells.Detail());
    Check("progress bar gaps keep the background, " + state, gaps.count == 0, gaps.Detail());
}

}  // namespace e2e
