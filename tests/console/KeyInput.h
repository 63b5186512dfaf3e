#pragma once

#include "gui/TemplateBuilder.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

// Keys as a keyboard gives them: to the widget that has the focus (or the active window
// when nothing in it has).
inline void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) {
        target = QApplication::activeWindow();
    }
    QTest::keyClick(target, key, modifiers);
}

// The template id of the control that has the keyboard focus (an address control's part
// counts as the address control), or 0.
inline int FocusedControl() {
    for (QWidget* widget = QApplication::focusWidget(); widget != nullptr;
         widget = widget->parentWidget()) {
        if (const int id = ControlIdOf(widget)) {
            return id;
        }
    }
    return 0;
}
