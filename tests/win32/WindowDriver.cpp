#include "tests/win32/WindowDriver.h"

#include "win32/WideText.h"

#include <chrono>
#include <commctrl.h>

namespace window_driver {

bool PumpUntil(HWND dialog, const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // As a dialog's modal loop does: the thread's message filter first.
            if (CallMsgFilterW(&message, MSGF_DIALOGBOX))
                continue;
            if (dialog == nullptr || !IsWindow(dialog) || !IsDialogMessageW(dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (done())
                return true;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::wstring ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(item);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), length + 1)));
    return text;
}

std::string LogText(HWND dialog) {
    return Narrow(ItemText(dialog, 104));
}

void ClickListRow(HWND dialog, int listId, int row) {
    HWND list = GetDlgItem(dialog, listId);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&state));
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(listId);
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&click));
}

void NotifyFieldChanged(HWND dialog, int addressId) {
    NMIPADDRESS change{};
    change.hdr.hwndFrom = GetDlgItem(dialog, addressId);
    change.hdr.idFrom = static_cast<UINT_PTR>(addressId);
    change.hdr.code = IPN_FIELDCHANGED;
    change.iField = 3;
    SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(addressId),
                 reinterpret_cast<LPARAM>(&change));
}

BoxScript::BoxScript() {
    SetMessageBoxHandler([this](const BoxRequest& request, HWND) {
        boxes_.push_back(request);
        if (!answers_.empty()) {
            const BoxAnswer answer = answers_.front();
            answers_.pop_front();
            return answer;
        }
        return request.buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
    });
}

BoxScript::~BoxScript() {
    SetMessageBoxHandler({});
}

std::vector<std::string> BoxScript::Texts() const {
    std::vector<std::string> texts;
    for (const BoxRequest& box : boxes_)
        texts.push_back(box.text);
    return texts;
}

} // namespace window_driver
