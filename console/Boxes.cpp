#include "console/Boxes.h"

BoxRequest AppMessage(const std::string& text, BoxIcon icon) {
    BoxRequest request;
    request.text = text;
    request.caption = kProgramTitle;
    request.icon = icon;
    return request;
}

BoxRequest Confirmation(const std::string& text) {
    BoxRequest request;
    request.text = text;
    request.caption = kConfirmationCaption;
    request.icon = BoxIcon::Warning;
    request.buttons = BoxButtons::YesNo;
    request.defaultNo = true;
    request.topmost = true;
    return request;
}

BoxRequest SystemConfirmation(const std::string& text) {
    BoxRequest request = Confirmation(text);
    request.systemModal = true;
    return request;
}
