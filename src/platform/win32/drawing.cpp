// Fonts, device contexts and pixels on Win32.
#include <cstring>

#include "platform/win32/win32.h"

namespace os {

using win32::AsDc;
using win32::AsWindow;

Font MakeFont(const FontShape& shape) {
    LOGFONTA record{};
    record.lfHeight = shape.height;
    record.lfWidth = shape.width;
    record.lfEscapement = shape.escapement;
    record.lfOrientation = shape.orientation;
    record.lfWeight = shape.weight;
    record.lfItalic = shape.italic;
    record.lfUnderline = shape.underline;
    record.lfStrikeOut = shape.strikeOut;
    record.lfCharSet = shape.charSet;
    record.lfOutPrecision = shape.outPrecision;
    record.lfClipPrecision = shape.clipPrecision;
    record.lfQuality = shape.quality;
    record.lfPitchAndFamily = shape.pitchAndFamily;
    static_assert(sizeof record.lfFaceName == sizeof shape.face);
    std::memcpy(record.lfFaceName, shape.face, sizeof record.lfFaceName);
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
