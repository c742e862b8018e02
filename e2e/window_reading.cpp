#include "window_reading.h"

namespace e2e {

namespace {

// No call on the program's windows may hang the driver.
constexpr UINT kSendTimeoutMs = 5000;

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
    auto* found = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(context);
    if (GetParent(child) == found->first) found->second.push_back(child);  // no grandchildren
    return TRUE;
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result))
        return 0;
    return static_cast<LRESULT>(result);
}

}  // namespace

std::vector<HWND> ChildWindows(HWND parent) {
    std::pair<HWND, std::vector<HWND>> found{parent, {}};
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

std::vector<HWND> ChildrenByZOrder(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::string ClassName(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowText(HWND window) {
    LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied =
        SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

RECT RectInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

bool IsChecked(HWND button) { return SendWithTimeout(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

PixelBlock ReadPixels(HWND window, int left, int top, int right, int bottom) {
    PixelBlock block{left, top, right - left, bottom - top, {}};
    block.pixels.reserve(static_cast<size_t>(block.width) * block.height);
    HDC dc = GetDC(window);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) block.pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return block;
}

}  // namespace e2e
