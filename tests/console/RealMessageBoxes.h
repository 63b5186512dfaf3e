#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

// The program's real message boxes (no scripted answers), as the user meets them.
struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;   // their texts, left to right, mnemonics ("&") removed
    QString defaultButton; // likewise
    QString focusedButton; // the button a Space or Enter would press
};

inline QString WithoutMnemonic(QString text) {
    return text.remove(QLatin1Char('&'));
}

inline ShownBox Describe(QMessageBox* box) {
    ShownBox shown{box->windowTitle(), box->text(), box->icon(), {}, {}, {}};
    auto buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    for (QAbstractButton* button : buttons) {
        shown.buttons << WithoutMnemonic(button->text());
    }
    if (box->defaultButton()) {
        shown.defaultButton = WithoutMnemonic(box->defaultButton()->text());
    }
    if (auto* focused = qobject_cast<QAbstractButton*>(QApplication::focusWidget())) {
        shown.focusedButton = WithoutMnemonic(focused->text());
    }
    return shown;
}

// Runs action on the next message box to show, once it is up and active (its own event
// loop runs the action). A box that never shows within the time-out is a failure. Answer
// it with PressKey (KeyInput.h), as a keyboard would.
inline void WhenMessageBoxShows(std::function<void(QMessageBox*)> action,
                                QDeadlineTimer deadline = QDeadlineTimer(30000)) {
    QTimer::singleShot(10, [action, deadline] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            // A box already answered may still be up (a mnemonic's click comes later).
            if (box && box->isVisible() && QApplication::activeWindow() == box &&
                !box->property("answeredByTest").toBool()) {
                box->setProperty("answeredByTest", true);
                // A box the action failed to answer must not hang the test.
                QTimer::singleShot(5000, box, &QMessageBox::close);
                action(box);
                return;
            }
        }
        if (deadline.hasExpired()) {
            ADD_FAILURE() << "no message box showed";
            return;
        }
        WhenMessageBoxShows(action, deadline);
    });
}
