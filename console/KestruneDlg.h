#pragma once

#include <QDialog>
#include <QHash>

#include <cstdint>

class CEventLog;
class CIpAddressEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// The console: the program's one window (template 100). It holds all the program's
// state and runs every handler on the console thread.
class CKestruneDlg : public QDialog {
    Q_OBJECT

public:
    explicit CKestruneDlg(bool debugMode, QWidget* parent = nullptr);
    ~CKestruneDlg() override;

    // The control built with this id (template 100), or nullptr.
    QWidget* Control(int id) const { return controls_.value(id); }
    QPushButton* Button(int id) const;
    CIpAddressEdit* IpField(int id) const;
    QRadioButton* LinkIndicator(int controller) const; // controller 1..4
    QTreeWidget* HubListView() const;
    CEventLog* Log() const;

    // The event log: WriteToLog from the console thread, AppendToLog from any thread.
    void WriteToLog(const QString& text);
    void AppendToLog(const QString& text);
    void ClearLog();

    // The window menu's command: 16 to 31 open the About box.
    void ShowAbout(unsigned command);

    // Form binding of field 119: true reads the field into controllerNumber (and shows
    // "Enter a positive integer." when it holds no unsigned number, keeping the old
    // value); false writes controllerNumber into the field.
    bool UpdateData(bool saveAndValidate);

    bool debugMode() const { return debugMode_; }
    std::uint32_t controllerNumber() const { return controllerNumber_; }

    void setVisible(bool visible) override;

protected:
    // Runs once, before the window is first shown.
    virtual void OnInitDialog();
    void OnOK();

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ConnectHandlers();

    const bool debugMode_;
    std::uint32_t controllerNumber_ = 1;
    bool initialised_ = false;
    QHash<int, QWidget*> controls_;
};

// The one console of the process, set when it initialises and never cleared.
extern CKestruneDlg* theConsole;
