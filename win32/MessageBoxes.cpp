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
    if (request.topmost)
        flags |= MB_TOPMOST | MB_SETFOREGROUND;
    return flags;
}

BoxAnswer ShowMessageBox(const BoxRequest& request, HWND owner) {
    if (Handler())
        return Handler()(request, owner);
    // MessageBoxW shows its text as it is: a hub's model text can never turn into markup.
    const int answer = MessageBoxW(owner, Wide(request.text).c_str(), Wide(request.caption).c_str(),
                                   MessageBoxFlags(request));
    if (request.buttons == BoxButtons::YesNo)
        return answer == IDYES ? BoxAnswer::Yes : BoxAnswer::No;
    return BoxAnswer::Ok;
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    Handler() = std::move(handler);
}
