#pragma once

#include "console/ConsoleView.h"
#include "console/KestruneDlg.h"
#include "gui/QtScheduler.h"
#include "gui/TemplateDialog.h"

#include <QHash>
#include <QString>
#include <memory>

class CEventLog;
class CIpAddressEdit;
class QAction;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// The console's Qt face: the window built from template 100, the view the console talks
// to, and the person's actions forwarded to the console. It holds no rule and no state of
// the console's; it converts texts between UTF-8 and QString at its edge.
class CConsoleWindow : public CTemplateDialog, public ConsoleView {
    Q_OBJECT

public:
    explicit CConsoleWindow(bool debugMode, QWidget* parent = nullptr,
                            const ConsoleServices& services = {});
    ~CConsoleWindow() override;

    CKestruneDlg& Console() { return *console_; }

    // The control built with this id (template 100), or nullptr.
    QWidget* Control(int id) const { return controls_.value(id); }
    QPushButton* Button(int id) const;
    CIpAddressEdit* IpField(int id) const;
    QRadioButton* LinkIndicator(int controller) const; // controller 1..4
    QTreeWidget* HubListView() const;
    CEventLog* Log() const;

    // The console's state, for tests and tools.
    CClientSocketManager& session() { return console_->session(); }
    AdapterList& adapterList() { return console_->adapterList(); }
    HubList& hubList() { return console_->hubList(); }
    bool IsIdle() const { return console_->IsIdle(); }
    void ShowAbout(unsigned command) { console_->ShowAbout(command); }

    // ConsoleView.
    void SetControlText(int id, const std::string& text) override;
    std::string ControlText(int id) const override;
    void EnableControl(int id, bool enabled) override;
    bool IsControlEnabled(int id) const;
    void CheckControl(int id, bool checked) override;
    void FocusControl(int id, bool selectText) override;
    void FocusPreviousControl() override;
    int FocusedControl() const override;
    void SetAddress(int id, std::uint32_t value) override;
    void SetAddressText(int id, const std::string& dotted) override;
    void ClearAddress(int id) override;
    AddressParts AddressFields(int id) const override;
    std::string AddressText(int id) const override;
    void ShowHubRows(const std::vector<HubRow>& rows) override;
    std::optional<int> SelectedHubRow() const override;
    void AppendToLog(const std::string& text) override;
    void ClearLog() override;
    std::string LogText() const override;
    BoxAnswer ShowBox(const BoxRequest& request) override;
    AdapterChoice ChooseAdapter(const AdapterList& adapters,
                                std::optional<int> preselected) override;
    std::optional<std::string> ChooseSaveFile(const SaveFileRequest& request) override;
    void ShowAbout() override;

protected:
    // Runs once, before the window is first shown.
    void OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectHandlers();
    // Tells the console of the person's action once the event's own handling is over.
    void RunQueued(void (CKestruneDlg::*action)());
    void OnOK();

    QtScheduler scheduler_; // before the console: it outlives it
    QHash<int, QWidget*> controls_;
    QAction* saveLog_ = nullptr; // in the window menu, and Ctrl+S anywhere in the window
    QAction* saveHubList_ = nullptr;
    std::unique_ptr<CKestruneDlg> console_;
    bool endsDoubleClick_ = false; // the hub list's next release ends a double-click
};
