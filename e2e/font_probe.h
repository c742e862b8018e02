// A hook library that reads a control's font inside the program that owns it: font handles
// belong to their process, so the driver cannot ask GetObjectA about them from outside.
//
// The driver creates the shared record, hooks the program's thread with FontProbeHook and sends
// kFontProbeMessage to a control; the hook, running in the program, fills the record.
#pragma once

#include <windows.h>

namespace e2e {

constexpr const char* kFontProbeMessage = "tramox e2e font probe";
constexpr const char* kFontProbeMapping = "tramox-e2e-font-probe";
constexpr const char* kFontProbeHook = "FontProbeHook";
constexpr const char* kFontProbeLibrary = "e2e_font_probe.dll";

struct FontProbeRecord {
    LONG answered;  // 1 once the hook has looked at the control
    LONG hasFont;   // the control has a font and GetObjectA could read it
    LOGFONTA font;
};

}  // namespace e2e
