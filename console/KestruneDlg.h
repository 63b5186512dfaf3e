#pragma once

#include "adapters/AdapterList.h"
#include "discovery/HubList.h"

#include <QDialog>
#include <QHash>

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {
class AdapterSource;
}

class CEventLog;
class CIpAddressEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// The OS services the console works through; tests replace them.
struct ConsoleServices {
    std::shared_ptr<platform::AdapterSource> adapters; // the host's own when empty
};

// The console: the program's one window (template 100). It holds all the program's
// state and runs every handler on the console thread. Its operations are grouped by
// subsystem: the adapters in adapters/, the search in discovery/, the session in
// hubsession/.
class CKestruneDlg : public QDialog {
    Q_OBJECT

public:
    explicit CKestruneDlg(bool debugMode, QWidget* parent = nullptr,
                          ConsoleServices services = {});
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

    // Adapters: the inventory, its report ("Об адаптерах") and the choice of an entry.
    AdapterList& adapterList() { return adapterList_; }
    void EnumerateAdapters(bool writeReport, int family);
    void SelectAdapter();
    void ShowAdapterReport();

    // The hub search and the hub list.
    HubList& hubList() { return hubList_; }
    int SearchHubs();
    void FillHubList();
    void SyncHubSelection();

    // Runs a user action's handler: an entry index outside its list abandons the action
    // with "Encountered an improper argument."; the window stays open.
    void RunHandler(const std::function<void()>& handler);

    bool debugMode() const { return debugMode_; }
    std::uint32_t controllerNumber() const { return controllerNumber_; }

    void setVisible(bool visible) override;

protected:
    // Runs once, before the window is first shown.
    virtual void OnInitDialog();
    void OnOK();

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectHandlers();
    // Start-up: the adapter entries decide what the window does first.
    void StartWithAdapters();
    void ShowChosenAdapter();
    void OnSearchHubsButton();

    const bool debugMode_;
    std::uint32_t controllerNumber_ = 1;
    bool initialised_ = false;
    QHash<int, QWidget*> controls_;
    ConsoleServices services_;
    AdapterList adapterList_;
    HubList hubList_;
};

// The one console of the process, set when it initialises and never cleared.
extern CKestruneDlg* theConsole;
