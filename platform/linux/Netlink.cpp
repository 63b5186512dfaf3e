#include "platform/linux/Netlink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::netlink {

namespace {

constexpr std::size_t kHeaderSize = NLMSG_HDRLEN;

// Large enough for any ordinary dump datagram; a larger one is measured with MSG_PEEK
// first, so the buffer grows instead of the message being cut.
constexpr std::size_t kInitialBuffer = 32 * 1024;

int ReadInt(Bytes payload) {
    int value = 0;
    std::memcpy(&value, payload.data(), sizeof value);
    return value;
}

// The kernel reports an error as a negative errno; anything else in that place (a
// positive number, or one beyond the errno range that would not even negate) is a
// malformed reply.
int ErrnoOf(int negative) {
    constexpr int kMaxErrno = 4095;
    return negative < 0 && negative >= -kMaxErrno ? -negative : EBADMSG;
}

// Waits until the socket is readable or the deadline has passed; retries an interrupted
// poll with the time that is left. Returns 0, ETIMEDOUT or the errno of poll.
int WaitForReply(int fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return ETIMEDOUT;
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return 0;
        if (ready == 0)
            return ETIMEDOUT;
        if (errno != EINTR)
            return errno;
    }
}

} // namespace

Request::Request(std::uint16_t type, std::uint16_t flags) : type_(type), flags_(flags) {}

Request& Request::Append(const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    body_.insert(body_.end(), bytes, bytes + length);
    body_.resize(NLMSG_ALIGN(body_.size()), 0);
    return *this;
}

Request& Request::Attribute(std::uint16_t type, const void* data, std::size_t length) {
    rtattr header{};
    header.rta_len = static_cast<unsigned short>(RTA_LENGTH(length));
    header.rta_type = type;
    const std::size_t start = body_.size();
    body_.resize(start + RTA_ALIGN(sizeof header + length), 0);
    std::memcpy(body_.data() + start, &header, sizeof header);
    if (length != 0)
        std::memcpy(body_.data() + start + RTA_LENGTH(0), data, length);
    return *this;
}

Socket::Socket() {
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0)
        openError_ = errno;
}

Socket::~Socket() {
    if (fd_ >= 0)
        ::close(fd_);
}

Request Socket::MakeDump(std::uint16_t type) {
    return Request(type, NLM_F_REQUEST | NLM_F_DUMP);
}

int Socket::Transact(const Request& request, const MessageHandler& onMessage, int timeoutMs) {
    if (fd_ < 0)
        return openError_ != 0 ? openError_ : EBADF;

    const std::uint32_t sequence = nextSequence_++;
    const Bytes body = request.Body();
    std::vector<std::uint8_t> out(NLMSG_LENGTH(body.size()), 0);
    nlmsghdr header{};
    header.nlmsg_len = static_cast<std::uint32_t>(out.size());
    header.nlmsg_type = request.Type();
    header.nlmsg_flags = static_cast<std::uint16_t>(request.Flags() | NLM_F_REQUEST);
    header.nlmsg_seq = sequence;
    std::memcpy(out.data(), &header, sizeof header);
    if (!body.empty())
        std::memcpy(out.data() + kHeaderSize, body.data(), body.size());

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent;
    do {
        sent = ::sendto(fd_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&kernel),
                        sizeof kernel);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0)
        return errno;

    const bool acknowledged = (request.Flags() & NLM_F_ACK) != 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> buffer(kInitialBuffer);
    for (;;) {
        if (const int waited = WaitForReply(fd_, deadline); waited != 0)
            return waited;

        const ssize_t pending = ::recv(fd_, buffer.data(), 0, MSG_PEEK | MSG_TRUNC);
        if (pending < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (static_cast<std::size_t>(pending) > buffer.size())
            buffer.resize(static_cast<std::size_t>(pending));

        sockaddr_nl from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = ::recvfrom(fd_, buffer.data(), buffer.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == EINTR)
                continue;
            return errno; // ENOBUFS: the kernel dropped replies, the dump is incomplete
        }
        if (from.nl_pid != 0)
            continue; // only the kernel answers requests

        const ReplyResult result =
            ParseReplies(Bytes(buffer.data(), static_cast<std::size_t>(received)), sequence,
                         acknowledged, onMessage);
        if (result.status == ReplyStatus::Complete)
            return 0;
        if (result.status == ReplyStatus::Failed)
            return result.error;
    }
}

ReplyResult ParseReplies(Bytes datagram, std::uint32_t sequence, bool acknowledged,
                         const MessageHandler& onMessage) {
    std::size_t offset = 0;
    while (offset < datagram.size()) {
        if (datagram.size() - offset < kHeaderSize)
            return {ReplyStatus::Failed, EBADMSG};
        nlmsghdr header;
        std::memcpy(&header, datagram.data() + offset, sizeof header);
        if (header.nlmsg_len < kHeaderSize || header.nlmsg_len > datagram.size() - offset)
            return {ReplyStatus::Failed, EBADMSG};
        const Bytes payload =
            datagram.subspan(offset + kHeaderSize, header.nlmsg_len - kHeaderSize);
        offset = std::min<std::size_t>(offset + NLMSG_ALIGN(header.nlmsg_len), datagram.size());

        if (header.nlmsg_seq != sequence)
            continue;
        // The table changed while the kernel walked it: what came so far may be torn.
        if ((header.nlmsg_flags & NLM_F_DUMP_INTR) != 0)
            return {ReplyStatus::Failed, EINTR};

        switch (header.nlmsg_type) {
        case NLMSG_NOOP:
            continue;
        case NLMSG_OVERRUN:
            return {ReplyStatus::Failed, ENOBUFS};
        case NLMSG_ERROR: {
            if (payload.size() < sizeof(int))
                return {ReplyStatus::Failed, EBADMSG};
            const int error = ReadInt(payload);
            if (error == 0)
                return {ReplyStatus::Complete, 0};
            return {ReplyStatus::Failed, ErrnoOf(error)};
        }
        case NLMSG_DONE:
            // A dump's end may carry the error that cut it short.
            if (payload.size() >= sizeof(int) && ReadInt(payload) < 0)
                return {ReplyStatus::Failed, ErrnoOf(ReadInt(payload))};
            return {ReplyStatus::Complete, 0};
        default:
            if (!onMessage(Message{header.nlmsg_type, header.nlmsg_flags, payload}))
                return {ReplyStatus::Complete, 0};
            if ((header.nlmsg_flags & NLM_F_MULTI) == 0 && !acknowledged)
                return {ReplyStatus::Complete, 0};
        }
    }
    return {ReplyStatus::More, 0};
}

Bytes AttributesAfter(Bytes payload, std::size_t headerSize) {
    const std::size_t start = NLMSG_ALIGN(headerSize);
    if (payload.size() <= start)
        return {};
    return payload.subspan(start);
}

void ForEachAttribute(Bytes attributes,
                      const std::function<void(std::uint16_t type, Bytes data)>& onAttribute) {
    std::size_t offset = 0;
    while (attributes.size() - offset >= sizeof(rtattr)) {
        rtattr header;
        std::memcpy(&header, attributes.data() + offset, sizeof header);
        if (header.rta_len < sizeof header || header.rta_len > attributes.size() - offset)
            return;
        const std::size_t dataStart = offset + RTA_LENGTH(0);
        onAttribute(static_cast<std::uint16_t>(header.rta_type & NLA_TYPE_MASK),
                    attributes.subspan(dataStart, header.rta_len - RTA_LENGTH(0)));
        offset = std::min<std::size_t>(offset + RTA_ALIGN(header.rta_len), attributes.size());
    }
}

std::string AttributeString(Bytes data) {
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    return std::string(data.begin(), end);
}

} // namespace platform::netlink
