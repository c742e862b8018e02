// The window procedure of the main window: messages and button commands.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace app {

// Posted by the worker when it meets a strict failure: the main window then takes no input
// while the error box is up. Follows the output layer's private messages (controls.h).
constexpr uint32_t kMsgHoldForErrorBox = os::kMsgApp + 2;

intptr_t WindowProcedure(os::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The source file dialog: the dialog's own result; a picked path goes to sourceSpec.
bool ChooseSourceFile();
// The destiny folder dialog: true when a folder was picked (its path goes to destinyPath).
bool ChooseDestinyFolder();
// The system menu's own item, "Rescue readable bytes first", ticked as readableFirst is.
void AddSystemMenuItems();
// Paints the bar from the current file's percentage, when showProgressBar is yes.
void RepaintProgressBar();

}  // namespace app
