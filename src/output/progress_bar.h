// The 40-cell progress bar painted straight into the main window's client area.
#pragma once

#include <cstdint>

namespace output {

constexpr uint8_t kProgressCells = 40;

void DrawProgressBar(uint8_t filled, uint8_t cells);
// Paints columns left..right-1 and rows top..bottom-1 in one colour.
void FillPixelBlock(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t red,
                    uint8_t green, uint8_t blue);
// round(percent * 40 / 100)
uint8_t FilledCells(uint8_t percent);

}  // namespace output
