#include "font_reader.h"

#include "font_probe.h"

namespace e2e {

namespace {

struct FontReader {
    HMODULE library = nullptr;
    HHOOK hook = nullptr;
    HANDLE mapping = nullptr;
    FontProbeRecord* record = nullptr;
    UINT message = 0;
};
FontReader reader;

// The hook library lies beside the driver.
std::string LibraryPath() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    size_t slash = folder.find_last_of("\\/");
    folder.resize(slash == std::string::npos ? 0 : slash + 1);
    return folder + kFontProbeLibrary;
}

std::string Failure(const std::string& what) {
    std::string text = what + " (error " + std::to_string(GetLastError()) + ")";
    StopFontReader();
    return text;
}

}  // namespace

std::string StartFontReader(HWND window) {
    reader.mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(FontProbeRecord), kFontProbeMapping);
    if (reader.mapping == nullptr) return Failure("cannot create the shared record");
    reader.record = static_cast<FontProbeRecord*>(
        MapViewOfFile(reader.mapping, FILE_MAP_WRITE, 0, 0, sizeof(FontProbeRecord)));
    if (reader.record == nullptr) return Failure("cannot map the shared record");
    std::string path = LibraryPath();
    reader.library = LoadLibraryA(path.c_str());
    if (reader.library == nullptr) return Failure("cannot load " + path);
    FARPROC found = GetProcAddress(reader.library, kFontProbeHook);
    auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(found));
    if (hook == nullptr) return Failure(path + " has no " + kFontProbeHook);
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    reader.hook = SetWindowsHookExA(WH_CALLWNDPROC, hook, reader.library, thread);
    if (reader.hook == nullptr) return Failure("cannot hook the program's thread");
    reader.message = RegisterWindowMessageA(kFontProbeMessage);
    return "";
}

void StopFontReader() {
    if (reader.hook) UnhookWindowsHookEx(reader.hook);
    if (reader.library) FreeLibrary(reader.library);
    if (reader.record) UnmapViewOfFile(reader.record);
    if (reader.mapping) CloseHandle(reader.mapping);
    reader = FontReader{};
}

bool ControlFont(HWND control, LOGFONTA* font) {
    if (reader.hook == nullptr) return false;
    *reader.record = FontProbeRecord{};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(control, reader.message, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    if (!reader.record->answered || !reader.record->hasFont) return false;
    *font = reader.record->font;
    return true;
}

}  // namespace e2e
