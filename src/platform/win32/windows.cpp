// Window classes, windows, control texts and the message loop on Win32.
#include <cstring>
#include <mutex>

#include "platform/win32/win32.h"

namespace os {

using win32::AsWindow;

namespace {

// The program's procedures, by class atom: Win32 calls window procedures with its own calling
// convention (stdcall on 32 bits), so every class of ours gets one trampoline that looks the
// program's procedure up here. Classes carry no extra bytes to keep it in.
struct ClassProcedure {
    ATOM atom;
    WindowProc procedure;
};
constexpr int kMostClasses = 16;
ClassProcedure classProcedures[kMostClasses];
int classCount = 0;
std::mutex classMutex;

WindowProc ProcedureOf(HWND window) {
    ATOM atom = static_cast<ATOM>(::GetClassWord(window, GCW_ATOM));
    std::lock_guard<std::mutex> lock(classMutex);
    for (int i = 0; i < classCount; ++i)
        if (classProcedures[i].atom == atom) return classProcedures[i].procedure;
    return nullptr;
}

// The edit that AppendText is adding to on this thread: its EN_CHANGE is kept from the parent.
thread_local HWND quietEdit = nullptr;

LRESULT CALLBACK Trampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && quietEdit != nullptr &&
        reinterpret_cast<HWND>(lParam) == quietEdit && HIWORD(wParam) == EN_CHANGE)
        return 0;
    WindowProc procedure = ProcedureOf(window);
    if (procedure == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
    return procedure(reinterpret_cast<Window>(window), message, wParam, lParam);
}

// The last message NextMessage fetched on this thread, so that translating and dispatching it
// see its time and cursor position too.
thread_local MSG lastMessage{};

MSG ToMsg(const Message& message) {
    HWND window = AsWindow(message.window);
    if (lastMessage.hwnd == window && lastMessage.message == message.message &&
        lastMessage.wParam == message.wParam && lastMessage.lParam == message.lParam)
        return lastMessage;
    MSG built{};
    built.hwnd = window;
    built.message = message.message;
    built.wParam = message.wParam;
    built.lParam = message.lParam;
    return built;
}

}  // namespace

bool RegisterWindowClass(const WindowClass& windowClass) {
    std::lock_guard<std::mutex> lock(classMutex);
    if (classCount == kMostClasses || windowClass.procedure == nullptr) return false;
    WNDCLASSA record{};
    record.style = windowClass.style;
    record.lpfnWndProc = Trampoline;
    record.hInstance = ::GetModuleHandleA(nullptr);
    record.hIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(windowClass.icon));
    record.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(windowClass.cursor));
    record.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(windowClass.background));
    record.lpszClassName = windowClass.name;
    ATOM atom = ::RegisterClassA(&record);
    if (atom == 0) return false;
    classProcedures[classCount++] = ClassProcedure{atom, windowClass.procedure};
    return true;
}

Window MakeWindow(uint32_t exStyle, const char* className, const char* text, uint32_t style,
                  int32_t x, int32_t y, int32_t width, int32_t height, Window parent) {
    HWND made = ::CreateWindowExA(exStyle, className, text, style, x, y, width, height,
                                  AsWindow(parent), nullptr, ::GetModuleHandleA(nullptr), nullptr);
    return reinterpret_cast<Window>(made);
}

bool DestroyWin(Window window) { return ::DestroyWindow(AsWindow(window)) != 0; }

bool ShowWin(Window window, uint32_t command) {
    return ::ShowWindow(AsWindow(window), static_cast<int>(command)) != 0;
}

bool UpdateWin(Window window) { return ::UpdateWindow(AsWindow(window)) != 0; }

bool MoveWin(Window window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
    return ::MoveWindow(AsWindow(window), x, y, width, height, repaint) != 0;
}

bool EnableWin(Window window, bool enable) { return ::EnableWindow(AsWindow(window), enable) != 0; }

bool IsWinEnabled(Window window) { return ::IsWindowEnabled(AsWindow(window)) != 0; }

bool SetText(Window window, const char* text) {
    return ::SetWindowTextA(AsWindow(window), text) != 0;
}

int32_t GetText(Window window, char* buffer, int32_t capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    buffer[0] = 0;  // GetWindowTextA leaves the buffer alone for a window that is gone
    return ::GetWindowTextA(AsWindow(window), buffer, capacity);
}

int32_t TextLength(Window window) { return ::GetWindowTextLengthA(AsWindow(window)); }

// EM_REPLACESEL, unlike WM_SETTEXT, keeps to the edit's text limit (some 32K characters unless
// raised) and sends EN_CHANGE even from a multi-line edit.
bool AppendText(Window window, const char* text) {
    HWND edit = AsWindow(window);
    if (!::IsWindow(edit)) return false;
    if (text == nullptr) return true;
    uint64_t length = static_cast<uint64_t>(::GetWindowTextLengthA(edit));
    uint64_t added = std::strlen(text);
    uint64_t limit = static_cast<UINT>(::SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    if (length + added > limit) ::SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);  // 0: the most
    ::SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
    HWND outer = quietEdit;
    quietEdit = edit;
    ::SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    quietEdit = outer;
    return static_cast<uint64_t>(::GetWindowTextLengthA(edit)) == length + added;
}

Rect WindowRect(Window window) {
    RECT outer{};
    if (!::GetWindowRect(AsWindow(window), &outer)) return Rect{0, 0, 0, 0};
    return Rect{outer.left, outer.top, outer.right, outer.bottom};
}

intptr_t Send(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return ::SendMessageA(AsWindow(window), message, wParam, lParam);
}

bool Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return ::PostMessageA(AsWindow(window), message, wParam, lParam) != 0;
}

int32_t NextMessage(Message* message) {
    MSG fetched{};
    BOOL result = ::GetMessageA(&fetched, nullptr, 0, 0);
    lastMessage = fetched;
    *message = Message{reinterpret_cast<Window>(fetched.hwnd), fetched.message, fetched.wParam,
                       fetched.lParam};
    return result;
}

void TranslateMsg(const Message& message) {
    MSG record = ToMsg(message);
    ::TranslateMessage(&record);
}

intptr_t DispatchMsg(const Message& message) {
    MSG record = ToMsg(message);
    return ::DispatchMessageA(&record);
}

bool AppendSystemMenuItem(Window window, uint32_t flags, uint32_t id, const char* text) {
    HMENU menu = ::GetSystemMenu(AsWindow(window), FALSE);
    return menu != nullptr && ::AppendMenuA(menu, flags, id, text) != 0;
}

bool CheckSystemMenuItem(Window window, uint32_t id, bool checked) {
    HMENU menu = ::GetSystemMenu(AsWindow(window), FALSE);
    UINT state = MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED);
    return menu != nullptr && ::CheckMenuItem(menu, id, state) != static_cast<DWORD>(-1);
}

intptr_t DefaultProc(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return ::DefWindowProcA(AsWindow(window), message, wParam, lParam);
}

void PostQuit(int32_t exitCode) { ::PostQuitMessage(exitCode); }

}  // namespace os
