#include "gui/MessageBoxes.h"

#include <QMessageBox>

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon ToQtIcon(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Warning:
        return QMessageBox::Warning;
    case BoxIcon::Error:
    case BoxIcon::Stop:
        return QMessageBox::Critical;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

BoxAnswer ShowQtMessageBox(const MessageBoxRequest& request) {
    QMessageBox box(ToQtIcon(request.icon), request.caption, request.text, QMessageBox::NoButton,
                    request.owner);
    // Texts can come from the network (a hub's model text): never let them be HTML.
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == BoxButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultNo ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (request.topmost) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.setWindowModality(Qt::ApplicationModal);
    }
    const int answer = box.exec();
    if (request.buttons == BoxButtons::YesNo) {
        return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }
    return BoxAnswer::Ok;
}

} // namespace

BoxAnswer ShowMessageBox(const MessageBoxRequest& request) {
    if (Handler()) {
        return Handler()(request);
    }
    return ShowQtMessageBox(request);
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }

MessageBoxRequest QtBoxRequest(const BoxRequest& box, QWidget* owner) {
    MessageBoxRequest request;
    request.text = QString::fromStdString(box.text);
    request.caption = QString::fromStdString(box.caption);
    request.icon = box.icon;
    request.buttons = box.buttons;
    request.defaultNo = box.defaultNo;
    request.topmost = box.topmost;
    request.owner = owner;
    return request;
}
