// The tests' view of windows and classes, and the user's hand on controls.
#include "platform/simulated/state.h"

namespace sim {

using namespace internal;

std::vector<WindowInfo> Windows() {
    Lock lock(Mutex());
    std::vector<WindowInfo> windows;
    for (os::Window window : Machine().windowOrder)
        windows.push_back(Machine().windows[window].info);
    return windows;
}

WindowInfo Info(os::Window window) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    return record ? record->info : WindowInfo{};
}

bool IsAlive(os::Window window) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    return record != nullptr && record->alive;
}

// The first live window of that class (case-insensitive) and exact text; 0 when none.
os::Window FindWindow(const std::string& className, const std::string& text) {
    Lock lock(Mutex());
    std::string upperClass = Upper(className);
    for (os::Window window : Machine().windowOrder) {
        const WindowRecord& record = Machine().windows[window];
        if (record.alive && Upper(record.info.className) == upperClass && record.info.text == text)
            return window;
    }
    return 0;
}

void SetCheck(os::Window window, uint32_t state) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record != nullptr && record->alive) record->info.check = state;
}

void TypeText(os::Window window, const std::string& text) {
    {
        Lock lock(Mutex());
        WindowRecord* record = FindRecord(window);
        if (record == nullptr || !record->alive) return;
        record->info.text = text;
    }
    NotifyEditChange(window, true);
}

void ChooseSystemMenuItem(os::Window window, uint32_t id) {
    os::Send(window, os::kMsgSysCommand, id | 0x3, 0);  // low bits as Windows may set them
}

bool ClassRegistered(const std::string& name, os::WindowClass* out) {
    Lock lock(Mutex());
    auto found = Machine().classes.find(Upper(name));
    if (found == Machine().classes.end()) return false;
    if (out != nullptr) *out = found->second.windowClass;
    return true;
}

}  // namespace sim
