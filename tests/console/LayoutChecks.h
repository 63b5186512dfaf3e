#pragma once

#include <QStringList>

class QWidget;

// What a person would see wrong in a dialog laid out from its template, one line per
// fault: a control outside the window, a caption or a typical value that does not fit
// the room the style leaves for it, a control over another or over a group box's title.
// Measured with the dialog's own style and fonts, in its current scale.
QStringList LayoutFaults(QWidget* dialog);

// The widgets of a dialog that a screen reader announces without a name.
QStringList UnnamedControls(QWidget* dialog);
