#include "win32/MessageBoxes.h"

#include "win32/WideText.h"

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

UINT IconFlag(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information:
        return MB_ICONINFORMATION;
    case BoxIcon::Warning:
        return MB_ICONWARNING;
    case BoxIcon::Error:
        return MB_ICONERROR;
    case BoxIcon::Stop:
        return MB_ICONSTOP;
    case BoxIcon::None:
        break;
    }
    return 0;
}

} // namespace

UINT MessageBoxFlags(const BoxRequest& request) {
    UINT flags = IconFlag(request.icon);
    if (request.buttons == BoxButtons::YesNo)
        flags |= MB_YESNO | (request.defaultNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1);
    else
        flags |= MB_OK;
    if (request.topmost || request.systemModal)
        flags |= MB_TOPMOST | MB_SETFOREGROUND;
    if (request.systemModal)
        flags |= MB_SYSTEMMODAL;
    return flags;
}

BoxAnswer ShowMessageBox(const BoxRequest& request, HWND owner) {
    // A system-modal box has no owner window. The window it would have had is disabled
    // while the box is up all the same: a second click on the window must not start
    // what the box is still asking about.
    HWND disabled = nullptr;
    if (request.systemModal) {
        if (owner != nullptr && !EnableWindow(owner, FALSE))
            disabled = owner;
        owner = nullptr;
    }
    BoxAnswer result = BoxAnswer::Ok;
    if (Handler()) {
        result = Handler()(request, owner);
    } else {
        // MessageBoxW shows its text as it is: a hub's model text never turns into markup.
        const int answer = MessageBoxW(owner, Wide(request.text).c_str(),
                                       Wide(request.caption).c_str(), MessageBoxFlags(request));
        if (request.buttons == BoxButtons::YesNo)
            result = answer == IDYES ? BoxAnswer::Yes : BoxAnswer::No;
    }
    if (disabled != nullptr) {
        EnableWindow(disabled, TRUE);
        SetActiveWindow(disabled);
    }
    return result;
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    Handler() = std::move(handler);
}
