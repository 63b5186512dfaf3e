// The console's writing of the hub's IP address, subnet mask and gateway.
#include "console/AddressFields.h"
#include "console/KestruneDlg.h"
#include "hubsession/HubParameterRules.h"
#include "resources/ConsoleTemplate.h"

void CKestruneDlg::OnParameterFieldChanged(int id) {
    if (id == IDC_CONNECT_ADDRESS)
        SetControlEnabled(IDC_CONNECT, true);
    parametersChanged = true;
}

void CKestruneDlg::ApplyHubParameters() {
    if (operation_ != Operation::None)
        return;
    if (!parametersChanged) {
        ShowAppMessage("Запись не требуется, ибо параметры не изменились...");
        return;
    }
    const AddressParts address = view_.AddressFields(IDC_HUB_IP_ADDRESS);
    const AddressParts mask = view_.AddressFields(IDC_HUB_SUBNET_MASK);
    const AddressParts gateway = view_.AddressFields(IDC_HUB_GATEWAY);
    const std::optional<Ipv4> adapterAddress = ChosenAdapterAddress();
    // The fields are checked as the person left them, blanks and all, before the session
    // sees typed values.
    if (const auto failure = CheckNewHubParameters(address, mask, gateway, adapterAddress)) {
        ShowAppMessage(*failure, BoxIcon::Error);
        return;
    }
    const bool gatewayOutside =
        GatewayOutsideSubnet({AddressOf(address), AddressOf(mask), AddressOf(gateway)});
    if (gatewayOutside && !ConfirmWarning(kGatewayOutsideSubnetQuestion))
        return;
    const HubSession::ParametersRequest request{
        {AddressOf(address), AddressOf(mask), AddressOf(gateway)}, adapterAddress, gatewayOutside};
    // The pause and the disconnect are one step with the lines below: what the watcher
    // reports meanwhile (the hub may close its end as its network restarts) follows them.
    const auto outcome = hub_->WriteParameters(request, [this] {
        End();
        RunHandler([this] { DisconnectFromHub(); });
        hub_->ReleaseReports();
    });
    if (outcome.kind != HubSession::ParametersOutcome::Kind::Sent) {
        // A request that did not go is not reported as made.
        ShowAppMessage(outcome.text, outcome.kind == HubSession::ParametersOutcome::Kind::Refused
                                         ? BoxIcon::Error
                                         : BoxIcon::None);
        return;
    }
    if (debugMode_)
        AppendToLog(">>" + outcome.dump + "\r\n");
    AppendToLog(HubSession::kParametersSentText);
    hub_->HoldReports();
    Begin(Operation::ApplyPause, {IDC_APPLY_PARAMETERS, IDC_WRITE_NUMBER, IDC_DISCONNECT,
                                  IDC_CONNECT, IDC_SEARCH_HUBS, IDC_SELECT_ADAPTER});
}
