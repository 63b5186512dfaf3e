// The console's hub session: connect and disconnect, and the dispatcher's reports
// carried to the console thread.
#include "adapters/PhysicalAddressLookup.h"
#include "console/EventLog.h"
#include "console/IpAddressEdit.h"
#include "console/KestruneDlg.h"
#include "console/MessageBoxes.h"
#include "console/PostedHandOver.h"
#include "console/UpdateConnectionEvent.h"
#include "platform/SocketApi.h"
#include "probe/Ping.h"
#include "resources/ConsoleTemplate.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

constexpr char kHubService[] = "5000";

// The echo probe before every session.
constexpr std::uint8_t kProbeTtl = 10;
constexpr std::uint32_t kProbeTimeoutMs = 1000;
constexpr std::uint16_t kProbeSize = 32;

} // namespace

void CKestruneDlg::ConnectSessionHandlers() {
    const auto onClick = [this](int id, void (CKestruneDlg::*handler)()) {
        connect(Button(id), &QPushButton::clicked, this, [this, handler] {
            RunHandler([this, handler] { (this->*handler)(); });
        });
    };
    onClick(IDC_CONNECT, &CKestruneDlg::ConnectToHub);
    onClick(IDC_DISCONNECT, &CKestruneDlg::DisconnectFromHub);
    onClick(IDC_APPLY_PARAMETERS, &CKestruneDlg::ApplyHubParameters);
    onClick(IDC_WRITE_NUMBER, &CKestruneDlg::WriteControllerNumber);
    for (int id : {IDC_CONNECT_ADDRESS, IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
        connect(IpField(id), &CIpAddressEdit::FieldChanged, this,
                [this, id] { OnParameterFieldChanged(id); });
    }
}

void CKestruneDlg::ConnectToHub() {
    UpdateData(true); // only field 119 is read, and the connect does not use it
    const QString hubAddress = IpField(IDC_CONNECT_ADDRESS)->Text();
    const QString localAddress = IpField(IDC_ADAPTER_ADDRESS)->Text();
    const std::string hubText = hubAddress.toStdString();

    bool opened = false;
    {
        CPing ping;
        EchoReplyInfo reply;
        if (ping.SendEchoRequest(hubText, reply, kProbeTtl, kProbeTimeoutMs, kProbeSize, 0,
                                 false)) {
            opened = session_.OpenConnection(localAddress.toStdString(), hubText, kHubService,
                                             platform::kAddressFamilyInet, platform::kSocketStream);
        } else if (!ping.HasEchoService()) {
            // Without this line the technician would see only "connect failed" and never
            // learn that it is a permission of this PC, not the hub, that is missing.
            AppendToLog(ping.MissingServiceDiagnosis());
        }
    }
    if (!opened) {
        const QString text = QStringLiteral("Ошибка подключения к хабу %1 \r\n").arg(hubAddress);
        AppendToLog(text);
        ShowAppMessage(text, BoxIcon::Error);
        return;
    }
    if (!session_.StartWatcher()) {
        // A connection nobody reads would look alive and tell nothing: close it.
        session_.Close();
        return;
    }
    Button(IDC_DISCONNECT)->setEnabled(true);
    Button(IDC_CONNECT)->setEnabled(false);
    Button(IDC_SEARCH_HUBS)->setEnabled(false);
    Button(IDC_WRITE_NUMBER)->setText(QStringLiteral("Ждите..."));
    AppendToLog(QStringLiteral("Подключение к хабу %1 успешно произведено\r\n").arg(hubAddress));

    std::string physicalAddress;
    AppendToLog(LookUpHubPhysicalAddress(session_, physicalAddress));
    qobject_cast<QLineEdit*>(Control(IDC_PHYSICAL_ADDRESS))
        ->setText(QString::fromStdString(physicalAddress));

    const HubRequest request = MakeIpParametersRequest();
    session_.Write(request.data(), static_cast<std::uint32_t>(request.size()), platform::kInfinite);
}

void CKestruneDlg::OpenSelectedHub() {
    const auto selected = HubListView()->selectedItems();
    if (selected.isEmpty()) {
        Button(IDC_CONNECT)->setEnabled(false);
        return;
    }
    IpField(IDC_CONNECT_ADDRESS)->SetAddressText(selected.first()->text(0));
    Button(IDC_CONNECT)->setEnabled(true);
    UpdateData(false);
    ConnectToHub();
}

void CKestruneDlg::DisconnectFromHub() {
    if (session_.IsSocketOpen()) {
        session_.Close();
        // Changes still queued from the session that just ended must not be applied.
        ++sessionGeneration_;
        if (!session_.IsSocketOpen()) {
            Button(IDC_CONNECT)->setEnabled(false);
            focusPreviousChild();
            Button(IDC_APPLY_PARAMETERS)->setEnabled(false);
            Button(IDC_DISCONNECT)->setEnabled(false);
            Button(IDC_SEARCH_HUBS)->setEnabled(true);
            Button(IDC_WRITE_NUMBER)->setEnabled(false);
            Button(IDC_WRITE_NUMBER)->setText(QStringLiteral("Нет связи"));
            for (int controller = 1; controller <= 4; ++controller) {
                LinkIndicator(controller)->setChecked(false);
            }
            AppendToLog(QStringLiteral("Подключение к хабу разорвано\r\n"));
        }
    }
    ClearHubParameters();
    SyncHubSelection();
}

void CKestruneDlg::ClearHubParameters() {
    for (int id : {IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
        IpField(id)->ClearAddress();
    }
    Button(IDC_APPLY_PARAMETERS)->setEnabled(false);
    HubListView()->setFocus(Qt::OtherFocusReason);
    parametersChanged = false;
}

int CKestruneDlg::OnUpdateConnection(std::uint32_t code, CSocketManager* manager) {
    if (manager != nullptr && (code == ConnectionFailed || code == ConnectionDropped)) {
        DisconnectFromHub();
    }
    return 1;
}

void CKestruneDlg::customEvent(QEvent* event) {
    // The watcher made the event; Qt's queue brought it here.
    OnDelivery();
    if (event->type() == UpdateConnectionEvent::kType) {
        const auto* update = static_cast<UpdateConnectionEvent*>(event);
        // A drop still queued from a session that has ended meanwhile (the technician
        // disconnected, maybe connected again) must not close the session open now.
        if (update->Connection() != session_.ConnectionSerial()) {
            return;
        }
        RunHandler([this, update] { OnUpdateConnection(update->Code(), update->Manager()); });
        return;
    }
    QDialog::customEvent(event);
}

void CKestruneDlg::PostSessionChange(std::function<void()> change) {
    const unsigned generation = sessionGeneration_.load();
    const PostingScope posting;
    QMetaObject::invokeMethod(
        this,
        [this, generation, change = std::move(change)] {
            OnDelivery();
            if (generation == sessionGeneration_.load()) {
                change();
            }
        },
        Qt::QueuedConnection);
}

void CKestruneDlg::ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) {
    // The flags are stored before any indicator changes: the number write reads them.
    for (std::size_t k = 0; k < onLink.size(); ++k) {
        linkFlags[k].store(onLink[k]);
    }
    PostSessionChange([this, onLink] {
        for (int controller = 1; controller <= 4; ++controller) {
            LinkIndicator(controller)->setChecked(onLink[static_cast<std::size_t>(controller - 1)]);
        }
        Button(IDC_WRITE_NUMBER)->setEnabled(true);
        Button(IDC_WRITE_NUMBER)->setText(QStringLiteral("Записать"));
    });
}

void CKestruneDlg::ShowHubParameter(int fieldId, std::uint32_t value) {
    PostSessionChange([this, fieldId, value] {
        IpField(fieldId)->SetAddress(value);
        if (value != 0) {
            Button(IDC_APPLY_PARAMETERS)->setEnabled(true);
        }
    });
}

void CKestruneDlg::ShowHubIpAddress(std::uint32_t address) {
    ShowHubParameter(IDC_HUB_IP_ADDRESS, address);
}

void CKestruneDlg::ShowHubSubnetMask(std::uint32_t mask) {
    ShowHubParameter(IDC_HUB_SUBNET_MASK, mask);
}

void CKestruneDlg::ShowHubGateway(std::uint32_t gateway) {
    ShowHubParameter(IDC_HUB_GATEWAY, gateway);
}

void CKestruneDlg::OnControllerNumberResult(const ControllerNumberResult& result) {
    const QString text =
        QString::fromStdString(ControllerNumberResultText(result, controllerNumber_.load()));
    const BoxIcon icon =
        result.number == controllerNumber_.load() && result.resultCode == 0 ? BoxIcon::Information
                                                                           : BoxIcon::Warning;
    // The line travels with the box to the console thread. The console writes that the
    // request went out only once the write has returned, and a quick hub's answer,
    // written from here, would come before it. The box is the console thread's, so the
    // watcher goes on reading while it is open.
    // One box at a time: a modal box runs its own event loop, where every result queued
    // behind it would open another box inside it, until a hub that keeps sending results
    // ran the stack out. Results that come meanwhile are logged all the same.
    const bool box = !resultBoxShown_.exchange(true);
    {
        const PostingScope posting;
        QMetaObject::invokeMethod(
            this,
            [this, text, icon, box] {
                OnDelivery();
                AppendToLog(text + QStringLiteral("\r\n"));
                if (box) {
                    ShowAppMessage(text, icon);
                    resultBoxShown_.store(false);
                }
            },
            Qt::QueuedConnection);
    }
    // Only now the flag: the console thread's wait ends on it, and the line and the box
    // must be queued by then. Set under the wait's lock, so that the wake-up cannot fall
    // between its test and its sleep.
    {
        std::lock_guard lock(numberAnsweredMutex_);
        numberAnswered.store(true);
    }
    numberAnsweredChanged_.notify_all();
}
