#pragma once

#include "adapters/AdapterList.h"
#include "discovery/HubList.h"
#include "hubsession/ClientSocketManager.h"
#include "hubsession/HubConsole.h"

#include "console/TemplateDialog.h"

#include <QHash>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

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
class CKestruneDlg : public CTemplateDialog, public IHubConsole {
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
    void AppendToLog(const std::string& text);
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

    // The hub session: connect and disconnect, the hub's IP parameters, the controller
    // numbers.
    void ConnectToHub();
    void OpenSelectedHub();
    void DisconnectFromHub();
    void ClearHubParameters();
    int OnUpdateConnection(std::uint32_t code, CSocketManager* manager);
    void OnParameterFieldChanged(int id);
    // Checks and sends the IP parameters; true when sent, with the request's dump text.
    bool SendHubParameters(QString& dump);
    void ApplyHubParameters();
    void WriteControllerNumber();
    CClientSocketManager& session() { return session_; }

    // The dispatcher's reports, on the watcher thread (IHubConsole).
    void ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) override;
    void ShowHubIpAddress(std::uint32_t address) override;
    void ShowHubSubnetMask(std::uint32_t mask) override;
    void ShowHubGateway(std::uint32_t gateway) override;
    void OnControllerNumberResult(const ControllerNumberResult& result) override;

    // Shared with the watcher: written by the dispatcher, read by the console thread.
    std::array<std::atomic<bool>, kControllerCount> linkFlags{};
    std::atomic<bool> numberAnswered{false};
    // The user edited a hub parameter field (console thread only).
    bool parametersChanged = false;

    // Runs a user action's handler: an entry index outside its list abandons the action
    // with "Encountered an improper argument."; the window stays open.
    void RunHandler(const std::function<void()>& handler);

    bool debugMode() const { return debugMode_; }
    std::uint32_t controllerNumber() const { return controllerNumber_.load(); }

protected:
    // Runs once, before the window is first shown.
    void OnInitDialog() override;
    void OnOK();

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void ConnectHandlers();
    // Start-up: the adapter entries decide what the window does first.
    void StartWithAdapters();
    void ShowChosenAdapter();
    void OnSearchHubsButton();
    void ConnectSessionHandlers();
    // Carries a change of the session's controls to the console thread; it is dropped
    // when the session it came from has ended meanwhile.
    void PostSessionChange(std::function<void()> change);
    void ShowHubParameter(int fieldId, std::uint32_t value);

    const bool debugMode_;
    // Read by the dispatcher on the watcher thread to judge a controller-number result.
    std::atomic<std::uint32_t> controllerNumber_{1};
    // Counts ended sessions, so that changes still queued from one are not applied later.
    std::atomic<unsigned> sessionGeneration_{0};
    // Wakes the number write's wait the moment the hub's result is in: polling the flag
    // kept every result waiting for the next tick, up to 100 ms.
    std::mutex numberAnsweredMutex_;
    std::condition_variable numberAnsweredChanged_;
    // A controller-number result box is queued or open.
    std::atomic<bool> resultBoxShown_{false};
    QHash<int, QWidget*> controls_;
    ConsoleServices services_;
    bool endsDoubleClick_ = false; // the hub list's next release ends a double-click
    AdapterList adapterList_;
    HubList hubList_;
    CClientSocketManager session_;
};

