#include "output/display.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <vector>

#include "output/controls.h"
#include "output/progress_bar.h"

namespace output {

namespace {

enum class Kind : uint8_t { Text, Bar, Font, Enable };

struct Item {
    Kind kind;
    os::Window window;  // 0 for the bar
    ShortText text;
    intptr_t value;  // the bar's filled cells, a font, or whether enabled
};

std::mutex queueLock;
std::deque<Item> queue;
// One posted message at a time is enough: its handler shows everything queued.
std::atomic<bool> posted{false};

void Apply(const Item& item) {
    switch (item.kind) {
        case Kind::Text:
            os::SetText(item.window, item.text.c_str());
            break;
        case Kind::Bar:
            DrawProgressBar(static_cast<uint8_t>(item.value), kProgressCells);
            break;
        case Kind::Font:
            os::Send(item.window, os::kMsgSetFont, static_cast<uintptr_t>(item.value), 1);
            break;
        case Kind::Enable:
            os::EnableWin(item.window, item.value != 0);
            break;
    }
}

void Queue(Item item) {
    if (Controls.mainWindow == 0) return Apply(item);
    {
        std::lock_guard<std::mutex> hold(queueLock);
        queue.push_back(item);
    }
    if (!posted.exchange(true) && !os::Post(Controls.mainWindow, kMsgShowQueued, 0, 0))
        posted = false;  // no window left to show it
}

bool SameTarget(const Item& a, const Item& b) { return a.kind == b.kind && a.window == b.window; }

}  // namespace

void ShowText(os::Window window, const ShortText& text) {
    Queue(Item{Kind::Text, window, text, 0});
}

void ShowProgressBar(uint8_t filled) { Queue(Item{Kind::Bar, 0, ShortText(), filled}); }

void SetFontQueued(os::Window window, os::Font font) {
    Queue(Item{Kind::Font, window, ShortText(), static_cast<intptr_t>(font)});
}

void EnableQueued(os::Window window, bool enable) {
    Queue(Item{Kind::Enable, window, ShortText(), enable});
}

void ShowQueued() {
    posted = false;  // before taking, so that a newer item posts again
    std::deque<Item> items;
    {
        std::lock_guard<std::mutex> hold(queueLock);
        items.swap(queue);
    }
    // A text, font or state replaced later in the same batch, or a bar drawn again, would never
    // reach the screen: nothing is painted before the batch ends. Only the last of each is
    // applied, in the batch's order; a batch touches a handful of windows.
    std::vector<const Item*> seen;
    std::vector<bool> last(items.size(), false);
    for (size_t i = items.size(); i-- > 0;) {
        auto same = [&](const Item* other) { return SameTarget(*other, items[i]); };
        if (std::any_of(seen.begin(), seen.end(), same)) continue;
        seen.push_back(&items[i]);
        last[i] = true;
    }
    for (size_t i = 0; i < items.size(); ++i)
        if (last[i]) Apply(items[i]);
}

void ResetQueued() {
    std::lock_guard<std::mutex> hold(queueLock);
    queue.clear();
    posted = false;
}

}  // namespace output
