#include "platform/DiscoverySocket.h"

#include "platform/AdapterSource.h"
#include "platform/LastError.h"
#include "platform/windows/WinsockErrors.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <mswsock.h>
#include <ws2tcpip.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace platform {

namespace {

using windows::SetLastErrorFromWinsock;

// Replies of many hubs arrive together: a large buffer keeps a crowd's replies.
constexpr int kReceiveBufferBytes = 1024 * 1024;
// The largest UDP datagram: read whole, so that a cut reply still tells its length.
constexpr std::size_t kLargestDatagram = 65536;

bool Fail() {
    SetLastErrorFromWinsock();
    return false;
}

sockaddr_in SocketAddress(const Ipv4Address& address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    std::memcpy(&result.sin_addr, address.data(), address.size());
    return result;
}

bool AdapterHolds(const Ipv4Address& local) {
    std::vector<platform::AddressTableRow> rows;
    if (MakeAdapterSource()->GetAddressTable(rows) != kErrorSuccess)
        return false;
    return std::any_of(rows.begin(), rows.end(),
                       [&](const platform::AddressTableRow& row) { return row.address == local; });
}

class WindowsDiscoverySocket : public DiscoverySocket {
public:
    ~WindowsDiscoverySocket() override { Close(); }

    std::optional<Ipv4Address> Resolve(const std::string& text) override {
        Ipv4Address address{};
        if (::inet_pton(AF_INET, text.c_str(), address.data()) == 1)
            return address;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
            SetLastError(kWsaHostNotFound);
            return std::nullopt;
        }
        const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
        std::memcpy(address.data(), &in->sin_addr, address.size());
        ::freeaddrinfo(found);
        return address;
    }

    bool Create() override {
        Close();
        socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (socket_ == INVALID_SOCKET)
            return Fail();
        ::SetHandleInformation(reinterpret_cast<HANDLE>(socket_), HANDLE_FLAG_INHERIT, 0);
        // Not required: a smaller buffer only risks losing replies in a crowd.
        const int size = kReceiveBufferBytes;
        ::setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size),
                     sizeof size);
        // Windows reports an ICMP port-unreachable for an earlier datagram as a failed
        // read (10054); a host on the subnet without the service must not end the search.
        BOOL report = FALSE;
        DWORD returned = 0;
        ::WSAIoctl(socket_, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned,
                   nullptr, nullptr);
        return true;
    }

    bool SetBroadcast(bool enabled) override {
        const BOOL value = enabled ? TRUE : FALSE;
        if (::setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&value),
                         sizeof value) != 0)
            return Fail();
        return true;
    }

    bool Bind(const Ipv4Address& local, std::uint16_t port) override {
        // Windows delivers to a socket bound to an adapter's address the datagrams sent to
        // it and the broadcasts that come in through that adapter. Windows refuses an
        // address no adapter holds, Wine binds it: the table is asked first.
        if (!AdapterHolds(local)) {
            SetLastError(kWsaEAddrNotAvail);
            return false;
        }
        const sockaddr_in address = SocketAddress(local, port);
        if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            return Fail();
        return true;
    }

    bool SendTo(const Ipv4Address& destination, std::uint16_t port,
                std::span<const std::uint8_t> data) override {
        const sockaddr_in to = SocketAddress(destination, port);
        if (::sendto(socket_, reinterpret_cast<const char*>(data.data()),
                     static_cast<int>(data.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                     sizeof to) < 0)
            return Fail();
        return true;
    }

    int Poll(std::uint32_t timeoutMs) override {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left =
                std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(
                                           deadline - std::chrono::steady_clock::now())
                                           .count());
            timeval timeout{static_cast<long>(left / 1000),
                            static_cast<long>((left % 1000) * 1000)};
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(socket_, &readable);
            const int ready = ::select(0, &readable, nullptr, nullptr, &timeout);
            if (ready >= 0)
                return ready;
            if (::WSAGetLastError() != WSAEINTR) {
                SetLastErrorFromWinsock();
                return -1;
            }
        }
    }

    bool Receive(std::span<std::uint8_t> buffer, ReceivedDatagram& datagram) override {
        // Winsock fails a read into a buffer too small for the datagram (10040) without
        // its length: the datagram is read whole here and cut while copied.
        scratch_.resize(kLargestDatagram);
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int length = ::recvfrom(socket_, reinterpret_cast<char*>(scratch_.data()),
                                      static_cast<int>(scratch_.size()), 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0)
            return Fail();
        datagram.fullLength = static_cast<std::size_t>(length);
        datagram.length = std::min(datagram.fullLength, buffer.size());
        std::copy_n(scratch_.begin(), datagram.length, buffer.begin());
        std::memcpy(datagram.source.data(), &from.sin_addr, datagram.source.size());
        return true;
    }

    void Close() override {
        if (socket_ != INVALID_SOCKET)
            ::closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
    std::vector<std::uint8_t> scratch_;
};

} // namespace

std::unique_ptr<DiscoverySocket> MakeDiscoverySocket() {
    return std::make_unique<WindowsDiscoverySocket>();
}

} // namespace platform
