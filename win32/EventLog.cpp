#include "win32/EventLog.h"

#include <vector>

namespace {

std::wstring ControlText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const int read = GetWindowTextW(control, buffer.data(), length + 1);
    return std::wstring(buffer.data(), static_cast<std::size_t>(read > 0 ? read : 0));
}

void TrimOldestLines(HWND log) {
    const std::wstring text = ControlText(log);
    if (text.size() <= kMaxLogCharacters / 2)
        return; // the new text alone is the most of it: the old stays
    const std::size_t half = text.size() - kMaxLogCharacters / 2;
    const std::size_t nextLine = text.find(L'\n', half);
    const std::wstring kept = text.substr(nextLine == std::wstring::npos ? half : nextLine + 1);
    SetWindowTextW(log, kept.c_str());
}

} // namespace

void PrepareLogControl(HWND log) {
    SendMessageW(log, EM_SETLIMITTEXT, 0, 0);
}

void AppendToLogControl(HWND log, const std::wstring& text) {
    if (log == nullptr)
        return;
    if (GetWindowTextLengthW(log) + static_cast<int>(text.size()) > kMaxLogCharacters)
        TrimOldestLines(log);
    const int length = GetWindowTextLengthW(log);
    SendMessageW(log, EM_SETSEL, length, length);
    SendMessageW(log, EM_SCROLLCARET, 0, 0);
    SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}
