// Fonts, device contexts and pixels on Win32.
#include <cstring>

#include "platform/win32/win32.h"

namespace os {

using win32::AsDc;
using win32::AsWindow;

Font MakeFont(const FontSpec& spec) {
    LOGFONTA record{};
    record.lfHeight = spec.height;
    record.lfWidth = spec.width;
    record.lfEscapement = spec.escapement;
    record.lfOrientation = spec.orientation;
    record.lfWeight = spec.weight;
    record.lfItalic = spec.italic;
    record.lfUnderline = spec.underline;
    record.lfStrikeOut = spec.strikeOut;
    record.lfCharSet = spec.charSet;
    record.lfOutPrecision = spec.outPrecision;
    record.lfClipPrecision = spec.clipPrecision;
    record.lfQuality = spec.quality;
    record.lfPitchAndFamily = spec.pitchAndFamily;
    static_assert(sizeof record.lfFaceName == sizeof spec.face);
    std::memcpy(record.lfFaceName, spec.face, sizeof record.lfFaceName);
    record.lfFaceName[sizeof record.lfFaceName - 1] = 0;
    return reinterpret_cast<Font>(::CreateFontIndirectA(&record));
}

bool DeleteFont(Font font) { return ::DeleteObject(reinterpret_cast<HGDIOBJ>(font)) != 0; }

DeviceContext GetDeviceContext(Window window) {
    return reinterpret_cast<DeviceContext>(::GetDC(AsWindow(window)));
}

void ReleaseDeviceContext(Window window, DeviceContext dc) {
    ::ReleaseDC(AsWindow(window), AsDc(dc));
}

// Our colour word is laid out as a COLORREF: red in the low byte.
void SetPixelColor(DeviceContext dc, int32_t x, int32_t y, uint32_t color) {
    ::SetPixel(AsDc(dc), x, y, color);
}

void FillBlock(DeviceContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
               uint32_t color) {
    HBRUSH brush = ::CreateSolidBrush(color);
    if (brush == nullptr) return;
    RECT block{left, top, right, bottom};
    ::FillRect(AsDc(dc), &block, brush);
    ::DeleteObject(brush);
}

uint32_t GetPixelColor(DeviceContext dc, int32_t x, int32_t y) {
    return ::GetPixel(AsDc(dc), x, y);
}

}  // namespace os
