#pragma once

#include "gui/MessageBoxes.h"

#include <QStringList>
#include "tests/common/QtPrinters.h"

#include <deque>
#include <vector>

// Answers the program's message boxes in tests: records every box and answers each with
// the next scripted answer (Ok / No when the script has run out).
class MessageBoxScript {
public:
    MessageBoxScript();
    ~MessageBoxScript();
    MessageBoxScript(const MessageBoxScript&) = delete;
    MessageBoxScript& operator=(const MessageBoxScript&) = delete;

    void Answer(BoxAnswer answer) { answers_.push_back(answer); }

    const std::vector<MessageBoxRequest>& boxes() const { return boxes_; }
    QStringList Texts() const;

private:
    std::deque<BoxAnswer> answers_;
    std::vector<MessageBoxRequest> boxes_;
};
