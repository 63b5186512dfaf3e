// The console's writing of the hub's IP address, subnet mask and gateway.
#include "console/AddressFields.h"
#include "console/KestruneDlg.h"
#include "hubsession/HubParameterRules.h"
#include "platform/SocketApi.h"
#include "resources/ConsoleTemplate.h"

namespace {

// The hub takes its new address at once; it is given this long before the session ends.
constexpr std::chrono::milliseconds kPauseBeforeDisconnect{1000};

Ipv4Octets OctetsOf(const AddressParts& parts) {
    Ipv4Octets octets{};
    for (std::size_t i = 0; i < parts.size(); ++i)
        octets[i] = static_cast<std::uint8_t>(parts[i].value_or(0));
    return octets;
}

} // namespace

std::optional<std::uint32_t> CKestruneDlg::ChosenAdapterAddress() const {
    const auto entry = static_cast<std::size_t>(adapterList_.chosenIndex);
    if (adapterList_.chosenIndex < 0 || entry >= adapterList_.addresses.size())
        return std::nullopt;
    return ParseDottedQuad(adapterList_.addresses[entry]);
}

void CKestruneDlg::OnParameterFieldChanged(int id) {
    if (id == IDC_CONNECT_ADDRESS)
        SetControlEnabled(IDC_CONNECT, true);
    parametersChanged = true;
}

bool CKestruneDlg::SendHubParameters(std::string& dump) {
    dump.clear();
    const AddressParts address = view_.AddressFields(IDC_HUB_IP_ADDRESS);
    const AddressParts mask = view_.AddressFields(IDC_HUB_SUBNET_MASK);
    const AddressParts gateway = view_.AddressFields(IDC_HUB_GATEWAY);
    if (const auto failure =
            CheckNewHubParameters(address, mask, gateway, ChosenAdapterAddress())) {
        ShowAppMessage(*failure, BoxIcon::Error);
        return false;
    }
    if (GatewayOutsideSubnet(address, mask, gateway) &&
        !ConfirmWarning(kGatewayOutsideSubnetQuestion))
        return false;
    const HubRequest request =
        MakeSetIpParametersRequest(OctetsOf(address), OctetsOf(mask), OctetsOf(gateway));
    session_->Write(request.data(), static_cast<std::uint32_t>(request.size()),
                    platform::kInfinite);
    dump = HexBytes(request);
    return true;
}

void CKestruneDlg::ApplyHubParameters() {
    if (operation_ != Operation::None)
        return;
    if (!parametersChanged) {
        ShowAppMessage("Запись не требуется, ибо параметры не изменились...");
        return;
    }
    std::string dump;
    if (!SendHubParameters(dump))
        return;
    if (debugMode_)
        AppendToLog(">>" + dump + "\r\n");
    AppendToLog(
        "Установка IP параметров хаба произведена. Подключение необходимо разорвать...\r\n");
    // The pause and the disconnect are one step with the lines above: what the watcher
    // reports meanwhile (the hub may close its end as its network restarts) follows them.
    queue_->Hold();
    Begin(Operation::ApplyPause, {IDC_APPLY_PARAMETERS, IDC_WRITE_NUMBER, IDC_DISCONNECT,
                                  IDC_CONNECT, IDC_SEARCH_HUBS, IDC_SELECT_ADAPTER});
    timer_ = scheduler_.StartTimer(kPauseBeforeDisconnect, [this] {
        timer_ = 0;
        End();
        RunHandler([this] { DisconnectFromHub(); });
        queue_->Release();
    });
}
