#include "output/display.h"

#include <atomic>
#include <deque>
#include <mutex>

#include "output/controls.h"
#include "output/progress_bar.h"

namespace output {

namespace {

struct Item {
    os::Window window;  // 0: the progress bar
    ShortText text;
    uint8_t filled;
};

std::mutex queueLock;
std::deque<Item> queue;
// One posted message at a time is enough: its handler shows everything queued.
std::atomic<bool> posted{false};

void Apply(const Item& item) {
    if (item.window != 0)
        os::SetText(item.window, item.text.c_str());
    else
        DrawProgressBar(item.filled, kProgressCells);
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

}  // namespace

void ShowText(os::Window window, const ShortText& text) { Queue(Item{window, text, 0}); }

void ShowProgressBar(uint8_t filled) { Queue(Item{0, ShortText(), filled}); }

void ShowQueued() {
    posted = false;  // before taking, so that a newer item posts again
    std::deque<Item> items;
    {
        std::lock_guard<std::mutex> hold(queueLock);
        items.swap(queue);
    }
    for (const Item& item : items) Apply(item);
}

void ResetQueued() {
    std::lock_guard<std::mutex> hold(queueLock);
    queue.clear();
    posted = false;
}

}  // namespace output
