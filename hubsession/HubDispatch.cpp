#include "hubsession/HubDispatch.h"

namespace {

void DispatchMessage(HubBytes message, IHubConsole& console) {
    if (message.size() <= kHubMessageCodeOffset) {
        return;
    }
    switch (static_cast<HubMessageCode>(message[kHubMessageCodeOffset])) {
    case HubMessageCode::LinkStatus:
        if (const auto status = DecodeLinkStatus(message)) {
            console.ShowLinkStatus(status->onLink);
        }
        break;
    case HubMessageCode::IpParameters:
        if (const auto parameters = DecodeIpParameters(message)) {
            console.ShowHubIpAddress(parameters->address);
            console.ShowHubSubnetMask(parameters->subnetMask);
            console.ShowHubGateway(parameters->gateway);
        }
        break;
    case HubMessageCode::ControllerNumber:
        if (const auto result = DecodeControllerNumberResult(message)) {
            console.OnControllerNumberResult(*result);
        }
        break;
    case HubMessageCode::SetIpParameters: // a request code: nothing the hub should send
    default:
        break;
    }
}

} // namespace

void DispatchHubBlock(HubBytes block, IHubConsole& console) {
    for (HubBytes message : SplitHubBlock(block)) {
        DispatchMessage(message, console);
    }
}
