#include "gui/AboutDlg.h"

#include "gui/TemplateBuilder.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"
#include "resources/ProgramIcon.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    TemplateBuilder builder(this, AboutTemplate());
    const auto controls = builder.Build();
    for (auto* label : findChildren<QLabel*>()) {
        if (label->text().isEmpty()) {
            label->setPixmap(ProgramIcon().pixmap(label->size()));
            label->setAccessibleName(QStringLiteral("Kestrune"));
        }
    }
    auto* ok = qobject_cast<QPushButton*>(controls.value(IDOK));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setWindowIcon(ProgramIcon());
}
