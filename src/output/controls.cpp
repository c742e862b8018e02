#include "output/controls.h"

ControlHandles Controls;

namespace output {

void ReadCheckBoxes(bool ticked[settings::kCheckBoxCount]) {
    for (int box = 0; box < settings::kCheckBoxCount; ++box) {
        intptr_t state = os::Send(Controls.checkBoxes[box], os::kMsgButtonGetCheck, 0, 0);
        ticked[box] = state == os::kCheckChecked;  // an indeterminate box counts as no
    }
}

void ApplyCheckBoxes(const bool ticked[settings::kCheckBoxCount]) {
    for (int box = 0; box < settings::kCheckBoxCount; ++box)
        Settings.*settings::CheckBoxField(box).flag = ticked[box];
}

void SyncCheckBoxes() {
    bool ticked[settings::kCheckBoxCount];
    ReadCheckBoxes(ticked);
    ApplyCheckBoxes(ticked);
}

void ApplySettingsToWindow() {
    for (int box = 0; box < settings::kCheckBoxCount; ++box) {
        if (Settings.*settings::CheckBoxField(box).flag)
            os::Send(Controls.checkBoxes[box], os::kMsgButtonSetCheck, os::kCheckChecked, 0);
    }
    if (Settings.saveSourceFile) os::SetText(Controls.sourceEdit, Settings.lastSourceFile.c_str());
    if (Settings.saveDestinyFolder)
        os::SetText(Controls.destinyEdit, Settings.lastDestinyFolder.c_str());
    if (!Settings.rememberFolder.empty()) {
        Settings.lastDestinyFolder = Settings.rememberFolder;
        os::SetText(Controls.destinyEdit, Settings.rememberFolder.c_str());
    }
}

}  // namespace output
