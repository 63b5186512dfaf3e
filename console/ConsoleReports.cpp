// What the hub session's watcher reports, taken on the console's thread: log lines, the
// link indicators, the hub's parameters, number results and the connection's end.
#include "console/KestruneDlg.h"
#include "resources/ConsoleTemplate.h"

void CKestruneDlg::OnReport(watcher::Report&& report) {
    if (auto* lines = std::get_if<watcher::LogLines>(&report)) {
        AppendToLog(lines->text);
    } else if (auto* status = std::get_if<watcher::LinkStatus>(&report)) {
        linkFlags = status->onLink;
        for (std::size_t k = 0; k < kControllerCount; ++k)
            view_.CheckControl(kLinkIndicatorIds[k], status->onLink[k]);
        SetControlEnabled(IDC_WRITE_NUMBER, true);
        view_.SetControlText(IDC_WRITE_NUMBER, "Записать");
    } else if (auto* parameter = std::get_if<watcher::HubParameter>(&report)) {
        const int field = parameter->which == watcher::Parameter::Address      ? IDC_HUB_IP_ADDRESS
                          : parameter->which == watcher::Parameter::SubnetMask ? IDC_HUB_SUBNET_MASK
                                                                               : IDC_HUB_GATEWAY;
        view_.SetAddress(field, parameter->value);
        if (parameter->value != 0)
            SetControlEnabled(IDC_APPLY_PARAMETERS, true);
    } else if (auto* number = std::get_if<watcher::NumberResult>(&report)) {
        OnNumberResult(number->result);
    } else if (auto* connection = std::get_if<watcher::Connection>(&report)) {
        // A drop during the number wait is taken once the wait is over, as the hub's
        // silence is reported first.
        if (operation_ == Operation::NumberWait) {
            dropDuringNumberWait_ = connection->code;
            return;
        }
        const std::uint32_t code = connection->code;
        RunHandler([this, code] { OnUpdateConnection(code, &hub_->Connection()); });
    }
}
