#include "net/SocketManager.h"

#include "net/LogWindow.h"

CSocketManager::~CSocketManager() {
    // The watcher calls this class's overrides: it must end before they go.
    Close();
}

void CSocketManager::SetLogWindow(ILogWindow* window) {
    logWindow.store(window);
}

void CSocketManager::AppendToLog(const std::string& text) {
    if (ILogWindow* window = logWindow.load())
        window->AppendToLog(text);
}

std::string CSocketManager::ConnectionEventText(std::uint32_t code) {
    switch (code) {
    case ConnectionEstablished:
        return "Соединение установлено\r\n";
    case ConnectionFailed:
        return "Не удалось установить соединение\r\n";
    case ConnectionDropped:
        return "Подключение разорвано\r\n";
    case EmptyMessage:
        return "Нулевой длины сообщение\r\n";
    default:
        return {};
    }
}

void CSocketManager::OnReceive(const std::uint8_t* data, std::uint32_t count) {
    platform::SocketAddressV4 from;
    GetPeerAddress(from);
    ShowReceived(data, count, from);
}

void CSocketManager::OnConnectionEvent(std::uint32_t code) {
    ILogWindow* window = logWindow.load();
    if (window == nullptr)
        return;
    if (const std::string text = ConnectionEventText(code); !text.empty())
        window->AppendToLog(text);
    window->PostUpdateConnection(code, this, WatchedSerial());
}

void CSocketManager::ShowReceived(const std::uint8_t*, std::uint32_t,
                                  const platform::SocketAddressV4&) {}
