// The handles of the main window, its controls and its fonts: filled once by the window's
// creation, read by every layer that shows something.
#pragma once

#include "platform/os.h"
#include "settings/settings.h"

enum FontId : int {
    kFontSmall,
    kFontTitle,
    kFontBold,
    kFontHeavy,
    kFontUnderlined,
    kFontLarge,
    kFontCount
};

struct ControlHandles {
    os::Window mainWindow;
    os::Window consolePane, sourceEdit, destinyEdit;
    os::Window creditLabel, sourceCaption, destinyCaption, stateLine, detailLine, settingsHeading,
        progressLine, versionLabel, productLabel, authorLabel, resultCaption, stateCaption;
    os::Window copyButton, stopButton, sourceBrowse, destinyBrowse, pauseButton, clearButton,
        rememberButton;
    os::Window checkBoxes[settings::kCheckBoxCount];  // top to bottom
    os::Font fonts[kFontCount];
};

extern ControlHandles Controls;

// Private messages of the main window.
constexpr uint32_t kMsgRefreshConsole = os::kMsgApp + 1;  // show the console text in the pane
constexpr uint32_t kMsgShowQueued = os::kMsgApp + 3;      // show the worker's texts and bar

namespace output {

// Each of the eighteen mirrored flags := yes when its box is checked, no for any other state.
void SyncCheckBoxes();
// The same in two halves: the boxes read, and what was read put into Settings.
void ReadCheckBoxes(bool ticked[settings::kCheckBoxCount]);
void ApplyCheckBoxes(const bool ticked[settings::kCheckBoxCount]);
// Puts the loaded record into the window: checks the boxes of flags that are yes, fills the
// two path edits, and lets a remembered folder win over the saved one.
void ApplySettingsToWindow();

}  // namespace output
