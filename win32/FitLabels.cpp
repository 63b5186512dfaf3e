#include "win32/FitLabels.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Room kept between a widened label and what lies to its right.
constexpr int kGapPixels = 3;

RECT RectInDialog(HWND dialog, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool IsLabel(HWND child) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    return lstrcmpiW(name, L"Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT;
}

bool IsGroupBox(HWND child) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    return lstrcmpiW(name, L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX;
}

int TextWidth(HWND label) {
    const int length = GetWindowTextLengthW(label);
    if (length == 0)
        return 0;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(label, text.data(), length + 1)));
    HDC dc = GetDC(label);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    RECT extent{0, 0, 0, 0};
    // Without word breaks the extent is the widest of the text's lines.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
    if (previous != nullptr)
        SelectObject(dc, previous);
    ReleaseDC(label, dc);
    return extent.right - extent.left;
}

} // namespace

void WidenClippedLabels(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    RECT client{};
    GetClientRect(dialog, &client);

    for (HWND label : children) {
        if (!IsLabel(label))
            continue;
        const RECT own = RectInDialog(dialog, label);
        const int needed = TextWidth(label) + 1;
        if (needed <= own.right - own.left)
            continue;
        int limit = client.right - kGapPixels;
        for (HWND other : children) {
            if (other == label)
                continue;
            const RECT rect = RectInDialog(dialog, other);
            const bool rowsMeet = rect.top < own.bottom && rect.bottom > own.top;
            if (IsGroupBox(other)) {
                // The frame of the group the label sits in.
                if (own.left >= rect.left && own.left < rect.right && own.top >= rect.top &&
                    own.bottom <= rect.bottom)
                    limit = std::min<int>(limit, rect.right - 2 * kGapPixels);
            } else if (rowsMeet && rect.left >= own.right - 1) {
                limit = std::min<int>(limit, rect.left - kGapPixels);
            }
        }
        const int width = std::min<int>(needed, limit - own.left);
        if (width > own.right - own.left) {
            SetWindowPos(label, nullptr, 0, 0, width, own.bottom - own.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}
