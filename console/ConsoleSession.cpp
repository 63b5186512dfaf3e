// The console's hub session: connect and disconnect, and what the watcher reports.
#include "console/KestruneDlg.h"
#include "resources/ConsoleTemplate.h"

void CKestruneDlg::ConnectToHub() {
    if (operation_ != Operation::None)
        return;
    UpdateData(true); // only field 119 is read, and the connect does not use it
    const std::string hubAddress = view_.AddressText(IDC_CONNECT_ADDRESS);
    const std::string localAddress = view_.AddressText(IDC_ADAPTER_ADDRESS);
    if (!ConfirmConflictingHub(hubAddress))
        return;

    Begin(Operation::Connect, {IDC_CONNECT, IDC_SEARCH_HUBS, IDC_SELECT_ADAPTER, IDC_DISCONNECT,
                               IDC_APPLY_PARAMETERS, IDC_WRITE_NUMBER});
    // The session's completions never outlive it, and it goes with this console.
    hub_->Connect(hubAddress, localAddress,
                  [this, hubAddress](const HubSession::ConnectOutcome& outcome) {
                      RunHandler([&] {
                          // Without this line the technician would see only "connect
                          // failed" and never learn that it is a permission of this PC,
                          // not the hub, that is missing.
                          if (!outcome.missingService.empty())
                              AppendToLog(outcome.missingService);
                          if (!outcome.opened) {
                              End();
                              const std::string text = HubSession::ConnectFailedText(hubAddress);
                              AppendToLog(text);
                              ShowAppMessage(text, BoxIcon::Error);
                              return;
                          }
                          OnConnected(hubAddress);
                      });
                  });
}

void CKestruneDlg::OnConnected(const std::string& hubAddress) {
    if (!hub_->StartWatching()) {
        End();
        return;
    }
    // The connect's lines stay together: what the hub says at once follows them.
    hub_->HoldReports();
    SetControlEnabled(IDC_DISCONNECT, true);
    SetControlEnabled(IDC_CONNECT, false);
    SetControlEnabled(IDC_SEARCH_HUBS, false);
    view_.SetControlText(IDC_WRITE_NUMBER, "Ждите...");
    AppendToLog(HubSession::ConnectedText(hubAddress));
    hub_->LookUpPhysicalAddress([this](const std::string& logText) {
        RunHandler([&] {
            AppendToLog(logText);
            view_.SetControlText(IDC_PHYSICAL_ADDRESS, hub_->PhysicalAddress());
            hub_->RequestParameters();
            End();
            hub_->ReleaseReports();
        });
    });
}

void CKestruneDlg::OpenSelectedHub() {
    if (operation_ != Operation::None)
        return;
    const std::optional<int> row = view_.SelectedHubRow();
    if (!row || *row < 0 || static_cast<std::size_t>(*row) >= rows_.size()) {
        SetControlEnabled(IDC_CONNECT, false);
        return;
    }
    view_.SetAddressText(IDC_CONNECT_ADDRESS, rows_[static_cast<std::size_t>(*row)].address);
    SetControlEnabled(IDC_CONNECT, true);
    UpdateData(false);
    ConnectToHub();
}

void CKestruneDlg::DisconnectFromHub() {
    if (hub_->IsOpen()) {
        // Closing ends the connection's serial: whatever the watcher reported about it and
        // is still queued is dropped, all but its log lines.
        hub_->Close();
        if (!hub_->IsOpen()) {
            SetControlEnabled(IDC_CONNECT, false);
            view_.FocusPreviousControl();
            SetControlEnabled(IDC_APPLY_PARAMETERS, false);
            SetControlEnabled(IDC_DISCONNECT, false);
            SetControlEnabled(IDC_SEARCH_HUBS, true);
            SetControlEnabled(IDC_WRITE_NUMBER, false);
            view_.SetControlText(IDC_WRITE_NUMBER, "Нет связи");
            for (int indicator : kLinkIndicatorIds)
                view_.CheckControl(indicator, false);
            AppendToLog(HubSession::kDisconnectedText);
        }
    }
    ClearHubParameters();
    SyncHubSelection();
}

void CKestruneDlg::ClearHubParameters() {
    for (int id : {IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY})
        view_.ClearAddress(id);
    SetControlEnabled(IDC_APPLY_PARAMETERS, false);
    view_.FocusControl(IDC_HUB_LIST);
    parametersChanged = false;
}

int CKestruneDlg::OnUpdateConnection(std::uint32_t code, CSocketManager* manager) {
    if (manager != nullptr && (code == ConnectionFailed || code == ConnectionDropped))
        DisconnectFromHub();
    return 1;
}

