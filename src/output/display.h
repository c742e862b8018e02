// The worker's texts, fonts, button states and progress bar, queued in order and put on the screen
// by the main thread: under Windows every text set from the worker would wait for the main thread,
// and a copy would spend more time waiting than copying. Each window shows its texts in order; a
// text replaced before the main thread came to it is passed over, as it would never have been
// painted.
#pragma once

#include <cstdint>

#include "platform/os.h"
#include "runtime/short_text.h"

namespace output {

void ShowText(os::Window window, const ShortText& text);
void ShowProgressBar(uint8_t filled);  // of the bar's 40 cells
void SetFontQueued(os::Window window, os::Font font);
void EnableQueued(os::Window window, bool enable);
// Main thread, on kMsgShowQueued: the newest of everything queued so far, in order.
void ShowQueued();
// Start-up: nothing is queued.
void ResetQueued();

}  // namespace output
