// Fonts, device contexts and the client pixels of windows.
#include <algorithm>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

constexpr uint32_t kNeverPainted = 0xFFFFFFFFu;  // also GDI's CLR_INVALID
constexpr int32_t kClientWidth = 530, kClientHeight = 466;

FontRecord* FindFont(os::Font font) {
    for (FontRecord& record : Machine().fonts)
        if (record.handle == font) return &record;
    return nullptr;
}

// The pixels behind a device context, allocated on first use; null for a stale context.
WindowRecord* Canvas(os::DeviceContext dc) {
    auto found = Machine().deviceContexts.find(dc);
    if (found == Machine().deviceContexts.end()) return nullptr;
    WindowRecord* record = FindRecord(found->second);
    if (record == nullptr || !record->alive) return nullptr;
    if (record->pixels.empty()) {
        bool topLevel = record->info.parent == 0;
        record->pixelWidth = topLevel ? kClientWidth : std::max(record->info.width, 0);
        record->pixelHeight = topLevel ? kClientHeight : std::max(record->info.height, 0);
        record->pixels.assign(static_cast<size_t>(record->pixelWidth) * record->pixelHeight,
                              kNeverPainted);
    }
    return record;
}

uint32_t* PixelAt(WindowRecord& record, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= record.pixelWidth || y >= record.pixelHeight) return nullptr;
    return &record.pixels[static_cast<size_t>(y) * record.pixelWidth + x];
}

}  // namespace

}  // namespace sim::internal

namespace os {

using namespace sim::internal;

Font MakeFont(const FontShape& shape) {
    Lock lock(Mutex());
    Font font = NewHandle();
    Machine().fonts.push_back(FontRecord{font, sim::FontInfo{shape, false}});
    return font;
}

bool DeleteFont(Font font) {
    Lock lock(Mutex());
    FontRecord* record = FindFont(font);
    if (record == nullptr || record->info.deleted) return false;
    record->info.deleted = true;
    return true;
}

DeviceContext GetDeviceContext(Window window) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    if (record == nullptr || !record->alive) return 0;
    State& machine = Machine();
    DeviceContext dc = NewHandle();
    machine.deviceContexts[dc] = window;
    ++machine.contextsTaken;
    ++machine.contextsHeld;
    return dc;
}

void ReleaseDeviceContext(Window /*window*/, DeviceContext dc) {
    Lock lock(Mutex());
    if (Machine().deviceContexts.erase(dc) > 0) --Machine().contextsHeld;
}

void SetPixelColor(DeviceContext dc, int32_t x, int32_t y, uint32_t color) {
    Lock lock(Mutex());
    ++Machine().pixelCalls;
    WindowRecord* record = Canvas(dc);
    uint32_t* pixel = record ? PixelAt(*record, x, y) : nullptr;
    if (pixel) *pixel = color;
}

void FillBlock(DeviceContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
               uint32_t color) {
    Lock lock(Mutex());
    WindowRecord* record = Canvas(dc);
    if (record == nullptr) return;
    for (int32_t y = std::max(top, 0); y < std::min(bottom, record->pixelHeight); ++y)
        for (int32_t x = std::max(left, 0); x < std::min(right, record->pixelWidth); ++x)
            *PixelAt(*record, x, y) = color;
}

uint32_t GetPixelColor(DeviceContext dc, int32_t x, int32_t y) {
    Lock lock(Mutex());
    WindowRecord* record = Canvas(dc);
    uint32_t* pixel = record ? PixelAt(*record, x, y) : nullptr;
    return pixel ? *pixel : kNeverPainted;
}

}  // namespace os

namespace sim {

using namespace internal;

std::vector<FontInfo> Fonts() {
    Lock lock(Mutex());
    std::vector<FontInfo> fonts;
    for (const FontRecord& record : Machine().fonts) fonts.push_back(record.info);
    return fonts;
}

bool FontAlive(os::Font font) {
    Lock lock(Mutex());
    FontRecord* record = FindFont(font);
    return record != nullptr && !record->info.deleted;
}

os::FontShape FontOf(os::Font font) {
    Lock lock(Mutex());
    FontRecord* record = FindFont(font);
    return record ? record->info.shape : os::FontShape{};
}

uint32_t Pixel(os::Window window, int32_t x, int32_t y) {
    Lock lock(Mutex());
    WindowRecord* record = FindRecord(window);
    uint32_t* pixel = record ? PixelAt(*record, x, y) : nullptr;
    return pixel ? *pixel : kNeverPainted;
}

int PixelCalls() {
    Lock lock(Mutex());
    return Machine().pixelCalls;
}

int DeviceContextsTaken() {
    Lock lock(Mutex());
    return Machine().contextsTaken;
}

int DeviceContextsHeld() {
    Lock lock(Mutex());
    return Machine().contextsHeld;
}

}  // namespace sim
