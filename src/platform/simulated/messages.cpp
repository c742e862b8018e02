// The message queue, the main loop's calls, default handling and destroying windows.
#include <algorithm>
#include <set>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

bool TakeMessage(os::Message* message) {
    Lock lock(Mutex());
    std::deque<os::Message>& queue = Machine().queue;
    if (queue.empty()) return false;
    *message = queue.front();
    queue.pop_front();
    return true;
}

void RunIdleScript() {
    std::function<void()> script;
    {
        Lock lock(Mutex());
        script = Machine().idleScript;  // a copy: the script may replace itself
    }
    if (script) script();
}

// The simulated user clicks the close box of the first live top-level window; false if none.
bool CloseFirstWindow() {
    Lock lock(Mutex());
    State& machine = Machine();
    for (os::Window window : machine.windowOrder) {
        const WindowRecord& record = machine.windows[window];
        if (!record.alive || record.info.parent != 0) continue;
        machine.queue.push_back(os::Message{window, os::kMsgClose, 0, 0});
        return true;
    }
    return false;
}

// The window and its live descendants, parents first; each is marked as being destroyed.
std::vector<os::Window> Family(os::Window window) {
    State& machine = Machine();
    std::set<os::Window> members{window};
    std::vector<os::Window> family{window};
    machine.windows[window].destroying = true;
    for (os::Window child : machine.windowOrder) {
        WindowRecord& record = machine.windows[child];
        if (!members.count(record.info.parent) || !record.alive || record.destroying) continue;
        record.destroying = true;
        members.insert(child);
        family.push_back(child);
    }
    return family;
}

void Bury(const std::vector<os::Window>& family) {
    Lock lock(Mutex());
    State& machine = Machine();
    for (os::Window window : family) machine.windows[window].alive = false;
    std::deque<os::Message>& queue = machine.queue;
    queue.erase(std::remove_if(queue.begin(), queue.end(),
                               [&](const os::Message& message) {
                                   return std::find(family.begin(), family.end(), message.window) !=
                                          family.end();
                               }),
                queue.end());
}

}  // namespace

}  // namespace sim::internal

namespace os {

using namespace sim::internal;

// Each window of the family gets WM_DESTROY while it still exists; then all of them die and
// their posted messages go with them.
bool DestroyWin(Window window) {
    std::vector<Window> family;
    {
        Lock lock(Mutex());
        WindowRecord* record = FindRecord(window);
        if (record == nullptr || !record->alive || record->destroying) return false;
        family = Family(window);
    }
    for (Window member : family) {
        WindowProc procedure = nullptr;
        {
            Lock lock(Mutex());
            procedure = Machine().windows[member].procedure;
        }
        if (procedure) procedure(member, kMsgDestroy, 0, 0);
    }
    Bury(family);
    return true;
}

bool Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (window != 0 && (record == nullptr || !record->alive)) return false;
    Machine().queue.push_back(Message{window, message, wParam, lParam});
    return true;
}

// Never blocks: an empty queue runs the idle script, and then the user closes the window.
int32_t NextMessage(Message* message) {
    if (!TakeMessage(message)) {
        RunIdleScript();
        if (!TakeMessage(message)) {
            if (!CloseFirstWindow()) return -1;  // nothing could ever arrive
            TakeMessage(message);
        }
    }
    return message->message == kMsgQuit ? 0 : 1;
}

void TranslateMsg(const Message& /*message*/) {}

intptr_t DispatchMsg(const Message& message) {
    WindowProc procedure = nullptr;
    {
        Lock lock(Mutex());
        WindowRecord* record = FindRecord(message.window);
        if (record == nullptr || !record->alive) return 0;
        procedure = record->procedure;
        if (procedure == nullptr)
            return ControlMessage(*record, message.message, message.wParam, message.lParam);
    }
    return procedure(message.window, message.message, message.wParam, message.lParam);
}

intptr_t DefaultProc(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == kMsgClose) {
        DestroyWin(window);
        return 0;
    }
    if (message != kMsgSetText && message != kMsgGetText && message != kMsgGetTextLength) return 0;
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive) return 0;
    return ControlMessage(*record, message, wParam, lParam);
}

void PostQuit(int32_t exitCode) {
    Lock lock(Mutex());
    Machine().queue.push_back(Message{0, kMsgQuit, static_cast<uintptr_t>(exitCode), 0});
}

}  // namespace os

namespace sim {

using namespace internal;

std::vector<os::Message> PendingMessages() {
    Lock lock(Mutex());
    return std::vector<os::Message>(Machine().queue.begin(), Machine().queue.end());
}

void PumpMessages() {
    os::Message message{};
    while (TakeMessage(&message))
        if (message.message != os::kMsgQuit) os::DispatchMsg(message);
}

void OnIdle(std::function<void()> script) {
    Lock lock(Mutex());
    Machine().idleScript = std::move(script);
}

}  // namespace sim
