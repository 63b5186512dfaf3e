#include "tests/probe/EchoResponder.h"

#include "tests/support/Netns.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kntest {

namespace {

std::uint16_t Checksum(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const std::uint32_t high = bytes[i];
        const std::uint32_t low = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        sum += (high << 8) | low;
    }
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

void SetChecksum(std::vector<std::uint8_t>& message) {
    message[2] = message[3] = 0;
    const std::uint16_t sum = Checksum(message);
    message[2] = static_cast<std::uint8_t>(sum >> 8);
    message[3] = static_cast<std::uint8_t>(sum & 0xFF);
}

} // namespace

EchoResponder::EchoResponder(const std::string& hubNamespace, std::vector<Forgery> forgeries,
                             bool answer)
    : forgeries_(std::move(forgeries)), answer_(answer) {
    NetnsScope atHub(hubNamespace);
    if (!atHub.ok())
        return;
    listen_ = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    second_ = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (listen_ < 0 || second_ < 0)
        return;
    sockaddr_in second{};
    second.sin_family = AF_INET;
    ::inet_pton(AF_INET, kSecondHubAddress, &second.sin_addr);
    if (::bind(second_, reinterpret_cast<sockaddr*>(&second), sizeof second) != 0)
        return;
    ok_ = true;
    thread_ = std::thread([this] { Serve(); });
}

EchoResponder::~EchoResponder() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listen_ >= 0)
        ::close(listen_);
    if (second_ >= 0)
        ::close(second_);
}

std::optional<SeenRequest> EchoResponder::WaitForRequest(int timeoutMs) {
    std::unique_lock lock(mutex_);
    seen_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                   [this] { return request_.has_value(); });
    return request_;
}

void EchoResponder::Serve() {
    std::vector<std::uint8_t> packet(65536);
    while (!stop_) {
        pollfd entry{listen_, POLLIN, 0};
        if (::poll(&entry, 1, 50) != 1)
            continue;
        const ssize_t n = ::recv(listen_, packet.data(), packet.size(), 0);
        if (n < 28)
            continue;
        const std::size_t header = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
        if (header < 20 || static_cast<std::size_t>(n) < header + 8 || packet[header] != 8)
            continue; // not an echo request
        std::vector<std::uint8_t> request(packet.begin(), packet.begin() + n);
        {
            std::lock_guard lock(mutex_);
            SeenRequest seen;
            seen.tos = request[1];
            seen.dontFragment = (request[6] & 0x40) != 0;
            seen.ttl = request[8];
            seen.payload.assign(request.begin() + static_cast<long>(header) + 8, request.end());
            request_ = seen;
        }
        seen_.notify_all();
        Answer(request, header);
    }
}

void EchoResponder::Answer(const std::vector<std::uint8_t>& packet, std::size_t headerLength) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    std::memcpy(&to.sin_addr, packet.data() + 12, 4); // back to the request's source
    const std::vector<std::uint8_t> proper = [&] {
        std::vector<std::uint8_t> message(packet.begin() + static_cast<long>(headerLength),
                                          packet.end());
        message[0] = 0;
        SetChecksum(message);
        return message;
    }();
    const auto send = [&](int fd, const std::vector<std::uint8_t>& message) {
        ::sendto(fd, message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
    };
    for (const Forgery forgery : forgeries_) {
        std::vector<std::uint8_t> forged = proper;
        int fd = listen_;
        switch (forgery) {
        case Forgery::WrongSequence:
            forged[7] ^= 0x01;
            SetChecksum(forged);
            break;
        case Forgery::WrongIdentifier:
            forged[5] ^= 0x01;
            SetChecksum(forged);
            break;
        case Forgery::BadChecksum:
            forged[2] ^= 0x01;
            break;
        case Forgery::WrongSource:
            fd = second_;
            break;
        case Forgery::AlteredPayload:
            if (forged.size() > 8)
                forged[forged.size() - 1] ^= 0x01;
            SetChecksum(forged);
            break;
        }
        send(fd, forged);
    }
    if (answer_)
        send(listen_, proper);
}

} // namespace kntest
