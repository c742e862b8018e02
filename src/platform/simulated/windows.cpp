// Window classes, windows and the standard controls' own messages.
#include <algorithm>
#include <cstring>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

// Windows of the program's style have their client area this far inside the outer corner.
constexpr int32_t kClientLeft = 3;
constexpr int32_t kClientTop = 22;
constexpr int32_t kDefaultX = 100, kDefaultY = 100;
constexpr int32_t kDefaultWidth = 530, kDefaultHeight = 466;
constexpr uint32_t kEditMultiline = 0x0004;  // ES_MULTILINE

bool IsStandardClass(const std::string& upperName) {
    return upperName == "BUTTON" || upperName == "EDIT" || upperName == "STATIC";
}

// Copies at most capacity - 1 characters and a zero; returns the number copied.
int32_t CopyText(const std::string& text, char* buffer, int32_t capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    int32_t count = std::min(static_cast<int32_t>(text.size()), capacity - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = 0;
    return count;
}

// The screen position of a window's client area.
void ClientOrigin(os::Window window, int32_t* x, int32_t* y) {
    *x = *y = 0;
    for (WindowRecord* record = FindRecord(window); record != nullptr;
         record = FindRecord(record->info.parent)) {
        *x += record->info.x;
        *y += record->info.y;
        if (record->info.parent == 0) {
            *x += kClientLeft;
            *y += kClientTop;
        }
    }
}

}  // namespace

// Without the lock: the parent's procedure may call back into the platform.
void NotifyEditChange(os::Window edit, bool typed) {
    os::WindowProc procedure = nullptr;
    os::Window parent = 0;
    {
        Lock lock(Mutex());
        WindowRecord* record = FindRecord(edit);
        if (record == nullptr || !record->alive || Upper(record->info.className) != "EDIT") return;
        if (!typed && (record->info.style & kEditMultiline)) return;
        parent = record->info.parent;
        WindowRecord* parentRecord = FindRecord(parent);
        if (parentRecord == nullptr || !parentRecord->alive) return;
        procedure = parentRecord->procedure;
    }
    if (procedure)
        procedure(parent, os::kMsgCommand, static_cast<uintptr_t>(os::kNotifyEditChange) << 16,
                  static_cast<intptr_t>(edit));
}

WindowRecord* FindRecord(os::Window window) {
    auto found = Machine().windows.find(window);
    return found == Machine().windows.end() ? nullptr : &found->second;
}

intptr_t ControlMessage(WindowRecord& record, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    WindowInfo& info = record.info;
    bool button = Upper(info.className) == "BUTTON";
    switch (message) {
        case os::kMsgSetText:
            info.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            return 1;
        case os::kMsgGetText:
            return CopyText(info.text, reinterpret_cast<char*>(lParam),
                            static_cast<int32_t>(wParam));
        case os::kMsgGetTextLength:
            return static_cast<intptr_t>(info.text.size());
        case os::kMsgSetFont:
            info.font = wParam;
            return 0;
        case os::kMsgGetFont:
            return static_cast<intptr_t>(info.font);
        case os::kMsgButtonGetCheck:
            return button ? info.check : 0;
        case os::kMsgButtonSetCheck:
            if (button) info.check = static_cast<uint32_t>(wParam);
            return 0;
        default:
            return 0;
    }
}

}  // namespace sim::internal

namespace os {

using namespace sim::internal;

bool RegisterWindowClass(const WindowClass& windowClass) {
    Lock lock(Mutex());
    if (windowClass.name == nullptr) return false;
    std::string key = Upper(windowClass.name);
    auto& classes = Machine().classes;
    if (classes.count(key) || IsStandardClass(key)) return false;  // already registered
    ClassRecord& record = classes[key];
    record.name = windowClass.name;
    record.windowClass = windowClass;
    record.windowClass.name = record.name.c_str();
    return true;
}

Window MakeWindow(uint32_t exStyle, const char* className, const char* text, uint32_t style,
                  int32_t x, int32_t y, int32_t width, int32_t height, Window parent) {
    Lock lock(Mutex());
    if (className == nullptr) return 0;
    if (TakeFault(sim::Op::MakeWindow, className) != 0) return 0;
    State& machine = Machine();
    auto registered = machine.classes.find(Upper(className));
    bool known = registered != machine.classes.end();
    if (!known && !IsStandardClass(Upper(className))) return 0;
    WindowRecord* parentRecord = FindRecord(parent);
    if (parent != 0 && (parentRecord == nullptr || !parentRecord->alive)) return 0;
    if (parent == 0 && (style & kStyleChild)) return 0;
    if (parent == 0 && x == kUseDefault) x = kDefaultX, y = kDefaultY;
    if (parent == 0 && width == kUseDefault) width = kDefaultWidth, height = kDefaultHeight;
    WindowRecord record;
    record.procedure = known ? registered->second.windowClass.procedure : nullptr;
    sim::WindowInfo& info = record.info;
    info = sim::WindowInfo{static_cast<Window>(NewHandle()),
                           className,
                           text ? text : "",
                           style,
                           exStyle,
                           x,
                           y,
                           width,
                           height,
                           parent,
                           (style & kStyleVisible) != 0,
                           (style & kStyleDisabled) == 0,
                           kCheckUnchecked,
                           0,
                           0,
                           {}};
    machine.windows[info.handle] = record;
    machine.windowOrder.push_back(info.handle);
    return info.handle;
}

bool ShowWin(Window window, uint32_t command) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive) return false;
    bool wasVisible = record->info.visible;
    record->info.showCommand = command;
    record->info.visible = command != kShowHide;
    return wasVisible;
}

bool UpdateWin(Window window) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    return record != nullptr && record->alive;
}

// Moves the window and tells its procedure the new client origin in WM_MOVE's lParam: x in the
// low word and y in the high word, each as 16 bits. A top-level window's client area lies 3
// pixels right of and 22 below its outer corner.
bool MoveWin(Window window, int32_t x, int32_t y, int32_t width, int32_t height, bool /*repaint*/) {
    WindowProc procedure = nullptr;
    intptr_t origin = 0;
    {
        Lock lock(Mutex());
        WindowRecord* record = FindRecord(window);
        if (record == nullptr || !record->alive) return false;
        sim::WindowInfo& info = record->info;
        info.x = x, info.y = y, info.width = width, info.height = height;
        bool topLevel = info.parent == 0;
        uint16_t left = static_cast<uint16_t>(x + (topLevel ? kClientLeft : 0));
        uint16_t top = static_cast<uint16_t>(y + (topLevel ? kClientTop : 0));
        origin = static_cast<intptr_t>(left | (static_cast<uint32_t>(top) << 16));
        procedure = record->procedure;
    }
    if (procedure) procedure(window, kMsgMove, 0, origin);
    return true;
}

// Returns whether the window was disabled before; a change is told to its procedure.
bool EnableWin(Window window, bool enable) {
    WindowProc procedure = nullptr;
    bool wasDisabled = false;
    {
        Lock lock(Mutex());
        WindowRecord* record = FindRecord(window);
        if (record == nullptr || !record->alive) return false;
        wasDisabled = !record->info.enabled;
        record->info.enabled = enable;
        if (wasDisabled == enable) procedure = record->procedure;
    }
    if (procedure) procedure(window, kMsgEnable, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool IsWinEnabled(Window window) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    return record != nullptr && record->alive && record->info.enabled;
}

bool SetText(Window window, const char* text) {
    {
        Lock lock(Mutex());
        WindowRecord* record = FindRecord(window);
        if (record == nullptr || !record->alive) return false;
        record->info.text = text ? text : "";
        Machine().bytes.windowText += record->info.text.size();
    }
    NotifyEditChange(window, false);
    return true;
}

// Appended text goes in silently whatever the edit's style: the parent is never told.
bool AppendText(Window window, const char* text) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive) return false;
    if (text == nullptr) return true;
    record->info.text += text;
    Machine().bytes.windowText += std::strlen(text);
    return true;
}

int32_t GetText(Window window, char* buffer, int32_t capacity) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive) return CopyText("", buffer, capacity);
    return CopyText(record->info.text, buffer, capacity);
}

bool AppendSystemMenuItem(Window window, uint32_t flags, uint32_t id, const char* text) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive || record->info.parent != 0) return false;
    record->info.systemMenu.push_back({flags, id, text ? text : ""});
    return true;
}

bool CheckSystemMenuItem(Window window, uint32_t id, bool checked) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive) return false;
    for (sim::WindowInfo::MenuItem& item : record->info.systemMenu) {
        if (item.id != id || (item.flags & kMenuSeparator)) continue;
        item.flags = checked ? item.flags | kMenuChecked : item.flags & ~kMenuChecked;
        return true;
    }
    return false;
}

int32_t TextLength(Window window) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive) return 0;
    return static_cast<int32_t>(record->info.text.size());
}

Rect WindowRect(Window window) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive) return Rect{0, 0, 0, 0};
    int32_t left = 0, top = 0;
    if (record->info.parent != 0) ClientOrigin(record->info.parent, &left, &top);
    left += record->info.x;
    top += record->info.y;
    return Rect{left, top, left + record->info.width, top + record->info.height};
}

intptr_t Send(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    WindowProc procedure = nullptr;
    intptr_t result = 0;
    {
        Lock lock(Mutex());
        WindowRecord* record = FindRecord(window);
        if (record == nullptr || !record->alive) return 0;
        procedure = record->procedure;
        if (procedure == nullptr) result = ControlMessage(*record, message, wParam, lParam);
    }
    if (procedure) return procedure(window, message, wParam, lParam);  // on the calling thread
    if (message == kMsgSetText) NotifyEditChange(window, false);
    return result;
}

}  // namespace os
