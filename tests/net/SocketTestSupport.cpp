#include "tests/net/SocketTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kntest {

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TcpListener::TcpListener(const char* address, std::uint16_t port, int receiveBuffer) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return;
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (receiveBuffer > 0)
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &local.sin_addr);
    socklen_t length = sizeof local;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    port_ = ntohs(local.sin_port);
}

TcpListener::~TcpListener() {
    if (fd_ >= 0)
        ::close(fd_);
}

int TcpListener::Accept(int timeoutMs) {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) != 1)
        return -1;
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

std::uint16_t ClosedPort(const char* address) {
    TcpListener listener(address);
    return listener.Port();
}

bool SendAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void CloseWithReset(int fd) {
    const linger immediately{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &immediately, sizeof immediately);
    ::close(fd);
}

std::string PeerAddressText(int fd) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return text;
}

void RecordingComm::OnReceive(const std::uint8_t* data, std::uint32_t count) {
    std::lock_guard lock(mutex_);
    bytes_.insert(bytes_.end(), data, data + count);
    chunks_.push_back(count);
    changed_.notify_all();
}

void RecordingComm::OnConnectionEvent(std::uint32_t code) {
    std::lock_guard lock(mutex_);
    events_.push_back(code);
    changed_.notify_all();
}

bool RecordingComm::WaitForBytes(std::size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return bytes_.size() >= count; });
}

bool RecordingComm::WaitForEvents(std::size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return events_.size() >= count; });
}

std::vector<std::uint8_t> RecordingComm::Bytes() {
    std::lock_guard lock(mutex_);
    return bytes_;
}

std::vector<std::uint32_t> RecordingComm::Chunks() {
    std::lock_guard lock(mutex_);
    return chunks_;
}

std::vector<std::uint32_t> RecordingComm::Events() {
    std::lock_guard lock(mutex_);
    return events_;
}

} // namespace kntest
