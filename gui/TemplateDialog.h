#pragma once

#include <QDialog>

// A dialog whose set-up runs once, just before it is first shown, so that a modal run,
// show() and a test's own show all meet a window that is ready.
class CTemplateDialog : public QDialog {
    Q_OBJECT

public:
    using QDialog::QDialog;

    void setVisible(bool visible) override {
        if (visible && !initialised_) {
            initialised_ = true;
            OnInitDialog();
        }
        QDialog::setVisible(visible);
    }

protected:
    virtual void OnInitDialog() = 0;

private:
    bool initialised_ = false;
};
