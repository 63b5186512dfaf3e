#include "hubsession/ClientSocketManager.h"

#include "hubsession/HubDispatch.h"

CClientSocketManager::CClientSocketManager(bool debugMode) : debugMode(debugMode) {}

CClientSocketManager::~CClientSocketManager() {
    // The watcher calls this class's overrides: it must end before they go.
    Close();
}

void CClientSocketManager::SetConsole(IHubConsole* console) { console_.store(console); }

void CClientSocketManager::OnReceive(const std::uint8_t* data, std::uint32_t count) {
    // The dump comes first, before the block has any other effect; the sender is not
    // looked up for it.
    ShowReceived(data, count, platform::SocketAddressV4{});
    if (IHubConsole* console = console_.load()) {
        DispatchHubBlock(HubBytes(data, count), *console);
    }
}

void CClientSocketManager::ShowReceived(const std::uint8_t* data, std::uint32_t count,
                                        const platform::SocketAddressV4&) {
    if (!debugMode) {
        return;
    }
    AppendToLog("<<" + HexBytes(HubBytes(data, count)) + "\r\n");
}
