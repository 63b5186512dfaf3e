#pragma once

#include "console/Boxes.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

// Every message box of the program goes through this one seam, so that tests can answer
// the boxes and read their texts. Production shows QMessageBox; tests install a scripted
// answerer with SetMessageBoxHandler.

struct MessageBoxRequest {
    QString text;
    QString caption;
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
    bool defaultNo = false; // Yes/No boxes: No is the default button
    bool topmost = false;   // confirmations stay above every other window
    QWidget* owner = nullptr;
};

using MessageBoxHandler = std::function<BoxAnswer(const MessageBoxRequest&)>;

// Shows a box (console thread only) and returns the user's answer.
BoxAnswer ShowMessageBox(const MessageBoxRequest& request);

// Replaces the box shown by ShowMessageBox; an empty handler restores the real boxes.
void SetMessageBoxHandler(MessageBoxHandler handler);

// The console's box (console/Boxes.h: its captions, icons and buttons) as Qt shows it.
MessageBoxRequest QtBoxRequest(const BoxRequest& box, QWidget* owner = nullptr);
