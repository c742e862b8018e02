// The worker's texts and progress bar, queued in order and put on the screen by the main thread:
// under Windows every text set from the worker would wait for the main thread, and a copy would
// spend more time waiting than copying. Each window shows the same texts in the same order.
#pragma once

#include <cstdint>

#include "platform/os.h"
#include "runtime/short_text.h"

namespace output {

void ShowText(os::Window window, const ShortText& text);
void ShowProgressBar(uint8_t filled);  // of the bar's 40 cells
// Main thread, on kMsgShowQueued: everything queued so far, in order.
void ShowQueued();
// Start-up: nothing is queued.
void ResetQueued();

}  // namespace output
