// The hook library of font_probe.h, loaded into the program under test by the system.
#include "font_probe.h"

namespace {

void Answer(HWND control) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, e2e::kFontProbeMapping);
    if (mapping == nullptr) return;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(e2e::FontProbeRecord));
    if (view != nullptr) {
        auto* record = static_cast<e2e::FontProbeRecord*>(view);
        auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
        record->hasFont =
            font != nullptr && GetObjectA(font, sizeof record->font, &record->font) != 0;
        record->answered = 1;
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    FontProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT probe = RegisterWindowMessageA(e2e::kFontProbeMessage);
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (call->message == probe) Answer(call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
