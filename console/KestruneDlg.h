#pragma once

#include "adapters/AdapterList.h"
#include "console/ConsoleServices.h"
#include "console/ConsoleView.h"
#include "operations/Scheduler.h"
#include "discovery/HubConflicts.h"
#include "discovery/HubList.h"
#include "hubsession/HubMessage.h"
#include "operations/AdapterInventory.h"
#include "operations/HubSearchOperation.h"
#include "operations/HubSession.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The console: the program's behaviour behind its one window (template 100), whatever
// face shows it. It holds the window's state and runs every handler on the console's
// thread; it talks to the person only through its view and works with hubs through the
// hub operations (the adapter inventory, the search, one hub session), which never wait on
// its thread. While
// one of those runs, the controls that would start a conflicting action are disabled,
// and put back as they would have been when it ends.
class CKestruneDlg {
public:
    CKestruneDlg(ConsoleView& view, Scheduler& scheduler, bool debugMode,
                 const ConsoleServices& services = {});
    ~CKestruneDlg();
    CKestruneDlg(const CKestruneDlg&) = delete;
    CKestruneDlg& operator=(const CKestruneDlg&) = delete;

    // Start-up, before the window first shows: the controls' first states, the title
    // line, the adapters and their choice. The search begins on OnFirstPaint.
    void OnInitDialog();
    // The window is on the screen: the start-up search, if the start-up chose an adapter.
    void OnFirstPaint();
    // Enter outside a push button: commits field 119; true when the window may close.
    bool OnOK();

    // The handlers of the person's actions, each run through RunHandler.
    void ClearLog();
    void ShowAdapterReport();
    void SelectAdapter();
    void OnSearchHubsButton();
    void SyncHubSelection(); // a click or Space on the hub list
    void OpenSelectedHub();  // a double-click on a row
    void ConnectToHub();
    void DisconnectFromHub();
    void ApplyHubParameters();
    void WriteControllerNumber();
    void OnParameterFieldChanged(int id); // the person edited an address field
    void ShowAbout(unsigned command);     // the window menu's command: 16 to 31 open it
    void SaveLog();                       // "Сохранить журнал...", Ctrl+S
    void SaveHubList();                   // "Сохранить список хабов..."

    // The person's actions as a window brings them, by the ids of its controls and
    // commands: each runs its handler through RunHandler. The faces forward their events
    // and hold no rule about them. False when the id is none the console acts on.
    bool OnButtonClicked(int id);
    bool OnFieldEdited(int id);
    void OnHubListSelectionChanged();     // a click or Space on the hub list
    void OnHubListActivated();            // a double-click on a row
    bool OnMenuCommand(unsigned command); // the window menu's and Ctrl+S (ConsoleCommands.h)
    // The window painted: true for its first paint only, after which the face runs
    // OnFirstPaint once that paint is over.
    bool OnPaint();
    // True once the start-up is over and no search, connect or wait is under way.
    bool IsIdle() const;

    // Runs a handler as a step of its own: what the watcher reported before it comes
    // first; an entry index outside its list abandons the step with "Encountered an
    // improper argument."; the window stays open.
    void RunHandler(const std::function<void()>& handler);

    // Form binding of field 119: true reads the field into controllerNumber (and shows
    // "Enter a positive integer." when it holds no unsigned number, keeping the old
    // value); false writes controllerNumber into the field.
    bool UpdateData(bool saveAndValidate);

    // The steps the handlers are made of.
    void EnumerateAdapters(bool writeReport, int family);
    // Starts a search of the chosen entry's subnet; then runs with the count, on the
    // console's thread, once the hub list is filled.
    void SearchHubs(std::function<void(int count)> then = {});
    void FillHubList();
    void ClearHubParameters();
    int OnUpdateConnection(std::uint32_t code, CSocketManager* manager);

    // The state.
    AdapterList& adapterList() { return adapterList_; }
    HubList& hubList() { return hubList_; }
    // What each row of the hub list conflicts with, as the last fill of the list found.
    const std::vector<HubConflict>& hubConflicts() const { return conflicts_; }
    CClientSocketManager& session() { return hub_->Connection(); }
    bool debugMode() const { return debugMode_; }
    std::uint32_t controllerNumber() const { return controllerNumber_; }
    // What the hub's last status said: controllers 1..4 on link.
    std::array<bool, kControllerCount> linkFlags{};
    // The hub has answered the last controller-number request.
    bool numberAnswered = false;
    // The person edited a hub parameter field.
    bool parametersChanged = false;

    // An action that runs off the console's thread or on a timer is under way.
    enum class Operation { None, Search, Connect, ApplyPause, NumberWait };
    Operation operation() const { return operation_; }
    // The start-up chose an adapter and waits for the window's first paint to search.
    bool StartupSearchPending() const { return startupSearchPending_; }

private:
    // Each part of the console is a file of its own; they call each other one way only
    // (the start calls the adapters and the search, the reports call the session and the
    // number, the session calls the search, and all of them the shared steps).

    // Shared steps and state (KestruneDlg.cpp).
    void AppendToLog(const std::string& text) { view_.AppendToLog(text); }
    BoxAnswer ShowAppMessage(const std::string& text, BoxIcon icon = BoxIcon::None);
    bool ConfirmWarning(const std::string& text);
    // Operations and the controls they hold disabled.
    void Begin(Operation operation, std::initializer_list<int> heldControls);
    void End();
    // Enables or disables a control; one an operation holds takes the state when it ends.
    void SetControlEnabled(int id, bool enabled);
    // Enables or disables a control in the window, and remembers it: the console knows
    // its controls' states without asking the window.
    void ShowEnabled(int id, bool enabled);
    // As the console last set it; as the window's template has it before that.
    bool IsEnabled(int id) const;
    // A task that is dropped if this console has gone.
    std::function<void()> WhileAlive(std::function<void(CKestruneDlg&)> task);
    // The chosen adapter entry's address, mask and subnet (empty texts when there is none).
    struct SearchedSubnet ChosenSubnet() const;
    // The chosen adapter entry's address; nothing when there is no such entry.
    std::optional<Ipv4> ChosenAdapterAddress() const;

    ConsoleView& view_;
    Scheduler& scheduler_;
    const bool debugMode_;
    const ConsoleServices services_;
    std::uint32_t controllerNumber_ = 1; // field 119
    Operation operation_ = Operation::None;
    std::map<int, bool> heldControls_; // id: the state it takes when the operation ends
    std::map<int, bool> enabled_;      // id: the state the console last gave it
    int focusBefore_ = 0;              // the control that had the focus when it began
    // Held by the operations' completions as weak references: they find out whether this
    // console still exists.
    std::shared_ptr<CKestruneDlg*> life_;

    // The start (ConsoleStartup.cpp) and the commands by id (ConsoleCommands.cpp).
    bool startupSearchPending_ = false;
    bool painted_ = false; // the window has painted once

    // The adapters (ConsoleAdapters.cpp).
    void StartWithAdapters();
    void ShowChosenAdapter();
    AdapterChoice ChooseAdapter();
    AdapterList adapterList_;

    // The search and the hub list (ConsoleSearch.cpp).
    void OnSearched(SearchOutcome&& outcome, const std::string& interfaceName,
                    std::function<void(int)> then);
    // Before a session to an address the last search found in conflict: the person's
    // answer; true when nothing conflicts.
    bool ConfirmConflictingHub(const std::string& address);
    HubList hubList_;
    std::vector<HubRow> rows_; // the hub list's rows as shown
    // What each row of hubList_ conflicts with, found when the rows were filled.
    std::vector<HubConflict> conflicts_;

    // The hub session (ConsoleSession.cpp) and what its watcher reports (ConsoleReports.cpp).
    void OnConnected(const std::string& hubAddress);
    void OnReport(watcher::Report&& report);
    // The window's one hub session.
    std::unique_ptr<HubSession> hub_;

    // The controller number (ConsoleNumber.cpp).
    void OnNumberResult(const ControllerNumberResult& result);
    void EndNumberWait();
    void AfterNumberWait();
    std::optional<std::uint32_t> dropDuringNumberWait_;
    bool resultBoxShown_ = false; // a controller-number result box is open

    // Saving the log and the hub list (ConsoleSave.cpp): writes a file the person picked; a
    // box names it and the reason when that fails.
    void SaveFile(const std::string& path, const std::string& bytes);
};
