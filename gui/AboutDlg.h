#pragma once

#include <QDialog>

// The About box (template 126). It has no behaviour of its own: it runs modally and
// closes with OK, Escape or its close command.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
