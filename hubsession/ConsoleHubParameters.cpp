// The console's writing of the hub's IP address, subnet mask and gateway.
#include "console/IpAddressEdit.h"
#include "console/KestruneDlg.h"
#include "console/MessageBoxes.h"
#include "hubsession/HubParameterRules.h"
#include "platform/SocketApi.h"
#include "resources/ConsoleTemplate.h"

#include <QPushButton>
#include <QThread>

namespace {

constexpr unsigned long kPauseBeforeDisconnectMs = 1000;

AddressParts PartsOf(const CIpAddressEdit* field) {
    AddressParts parts;
    for (int i = 0; i < CIpAddressEdit::kFieldCount; ++i) {
        const int value = field->FieldValue(i);
        if (value != CIpAddressEdit::kBlank) {
            parts[static_cast<std::size_t>(i)] = value;
        }
    }
    return parts;
}

Ipv4Octets OctetsOf(const AddressParts& parts) {
    Ipv4Octets octets{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        octets[i] = static_cast<std::uint8_t>(parts[i].value_or(0));
    }
    return octets;
}

} // namespace

void CKestruneDlg::OnParameterFieldChanged(int id) {
    if (id == IDC_CONNECT_ADDRESS) {
        Button(IDC_CONNECT)->setEnabled(true);
    }
    parametersChanged = true;
}

bool CKestruneDlg::SendHubParameters(QString& dump) {
    dump.clear();
    const AddressParts address = PartsOf(IpField(IDC_HUB_IP_ADDRESS));
    const AddressParts mask = PartsOf(IpField(IDC_HUB_SUBNET_MASK));
    const AddressParts gateway = PartsOf(IpField(IDC_HUB_GATEWAY));
    if (const auto failure = CheckHubParameters(address, mask, gateway)) {
        ShowAppMessage(QString::fromStdString(*failure), BoxIcon::Error);
        return false;
    }
    const HubRequest request =
        MakeSetIpParametersRequest(OctetsOf(address), OctetsOf(mask), OctetsOf(gateway));
    session_.Write(request.data(), static_cast<std::uint32_t>(request.size()), platform::kInfinite);
    dump = QString::fromStdString(HexBytes(request));
    return true;
}

void CKestruneDlg::ApplyHubParameters() {
    if (!parametersChanged) {
        ShowAppMessage(QStringLiteral("Запись не требуется, ибо параметры не изменились..."));
        return;
    }
    QString dump;
    if (!SendHubParameters(dump)) {
        return;
    }
    if (debugMode_) {
        AppendToLog(QStringLiteral(">>") + dump + QStringLiteral("\r\n"));
    }
    AppendToLog(QStringLiteral(
        "Установка IP параметров хаба произведена. Подключение необходимо разорвать...\r\n"));
    // The hub takes its new address now; give it a moment before the session ends.
    QThread::msleep(kPauseBeforeDisconnectMs);
    DisconnectFromHub();
}
