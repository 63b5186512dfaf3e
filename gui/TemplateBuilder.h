#pragma once

#include "resources/DialogTemplate.h"

#include <QHash>
#include <QString>

// A template's text as Qt's; a null text is empty.
inline QString Text(const char16_t* text) { return text ? QString::fromUtf16(text) : QString(); }

class QDialog;
class QTreeWidget;
class QWidget;

// Builds a dialog's widgets from its template: each control of its kind, caption,
// position (dialog units through the dialog font's metrics) and initial enabled state.
// Controls with an id are registered for ControlById; each is named for a screen reader by
// its caption as it stands at the time, or by the text of the labels placed before it.
class TemplateBuilder {
public:
    TemplateBuilder(QDialog* dialog, const DialogTemplate& dialogTemplate);

    QHash<int, QWidget*> Build();

    static void SetColumns(QTreeWidget* list, std::span<const ListColumn> columns);

private:
    QWidget* Create(const ControlTemplate& control);

    QDialog* dialog_;
    const DialogTemplate& template_;
};

// The id a control was built with, or 0.
int ControlIdOf(const QWidget* widget);
