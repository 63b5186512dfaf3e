#include "tests/common/MessageBoxScript.h"

MessageBoxScript::MessageBoxScript() {
    SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        boxes_.push_back(request);
        if (!answers_.empty()) {
            const BoxAnswer answer = answers_.front();
            answers_.pop_front();
            return answer;
        }
        return request.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    });
}

MessageBoxScript::~MessageBoxScript() { SetMessageBoxHandler({}); }

QStringList MessageBoxScript::Texts() const {
    QStringList texts;
    for (const auto& box : boxes_) {
        texts << box.text;
    }
    return texts;
}
