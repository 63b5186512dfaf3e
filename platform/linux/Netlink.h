#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A small rtnetlink client: one NETLINK_ROUTE socket, one request at a time, the replies
// handed to the caller one message at a time. Every length the kernel sends is checked
// before it is believed, so a short or corrupt reply ends the request with an error
// instead of a read past the buffer.
namespace platform::netlink {

using Bytes = std::span<const std::uint8_t>;

// One message of a reply: its netlink type (RTM_NEWLINK, RTM_NEWADDR, ...), its flags and
// the bytes after the netlink header (the fixed family header, then the attributes).
struct Message {
    std::uint16_t type = 0;
    std::uint16_t flags = 0;
    Bytes payload;
};

// Return false to stop reading further replies; the request then ends with success.
using MessageHandler = std::function<bool(const Message&)>;

// A request under construction: the netlink header is filled in by Socket::Transact, the
// caller supplies the family header and any attributes.
class Request {
public:
    Request(std::uint16_t type, std::uint16_t flags);

    // The fixed header that follows the netlink header (ifinfomsg, ifaddrmsg, ndmsg ...).
    template <typename T> Request& Header(const T& header) {
        return Append(&header, sizeof header);
    }
    Request& Attribute(std::uint16_t type, const void* data, std::size_t length);
    template <typename T> Request& Attribute(std::uint16_t type, const T& value) {
        return Attribute(type, &value, sizeof value);
    }

    std::uint16_t Type() const { return type_; }
    std::uint16_t Flags() const { return flags_; }
    Bytes Body() const { return body_; }

private:
    Request& Append(const void* data, std::size_t length);

    std::uint16_t type_;
    std::uint16_t flags_;
    std::vector<std::uint8_t> body_;
};

class Socket {
public:
    Socket(); // opens the socket; Error() tells whether that worked
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // 0 when the socket is open, else the errno of the failed open.
    int Error() const { return openError_; }

    // Sends the request and hands every reply message to onMessage until the kernel says
    // the request is complete: NLMSG_DONE for a dump, the acknowledgement when NLM_F_ACK
    // was asked for, else the first reply. Returns 0 or an errno value: the kernel's own
    // error, EBADMSG for a malformed reply, EINTR when the kernel reports that the table
    // changed during the dump (NLM_F_DUMP_INTR: the caller should read it again),
    // ETIMEDOUT when the kernel does not answer within timeoutMs.
    int Transact(const Request& request, const MessageHandler& onMessage, int timeoutMs = 2000);

    // Convenience: a dump (NLM_F_REQUEST | NLM_F_DUMP) of type with the given family header.
    template <typename T>
    int Dump(std::uint16_t type, const T& header, const MessageHandler& onMessage) {
        return Transact(MakeDump(type).Header(header), onMessage);
    }

private:
    static Request MakeDump(std::uint16_t type);

    int fd_ = -1;
    int openError_ = 0;
    std::uint32_t nextSequence_ = 1;
};

// What ParseReplies found in one datagram.
enum class ReplyStatus {
    More,     // every message was handed over; the request goes on in the next datagram
    Complete, // the request is complete (DONE, acknowledgement, last reply, or handler stop)
    Failed,   // the kernel reported an error or the datagram is malformed; see error
};

struct ReplyResult {
    ReplyStatus status = ReplyStatus::More;
    int error = 0; // errno value when Failed
};

// Walks the messages of one received datagram. Messages whose sequence number is not
// sequence (late replies of an earlier request) are passed over. Pure function of its
// input, so that the walking can be tested and fuzzed without a kernel.
ReplyResult ParseReplies(Bytes datagram, std::uint32_t sequence, bool acknowledged,
                         const MessageHandler& onMessage);

// The fixed family header at the start of a reply's payload, or nothing when the payload
// is too short to hold it.
template <typename T> std::optional<T> FixedHeader(Bytes payload) {
    if (payload.size() < sizeof(T))
        return std::nullopt;
    T header;
    std::memcpy(&header, payload.data(), sizeof header);
    return header;
}

// The attribute area that follows a fixed header of headerSize bytes (aligned as netlink
// aligns it); empty when the payload ends before it.
Bytes AttributesAfter(Bytes payload, std::size_t headerSize);

// Calls onAttribute(type, data) for each attribute in the area, the nesting and byte-order
// bits removed from the type. Stops at the first attribute whose length does not fit.
void ForEachAttribute(Bytes attributes,
                      const std::function<void(std::uint16_t type, Bytes data)>& onAttribute);

// The attribute's data read as a fixed-size value, or nothing when its length differs.
template <typename T> std::optional<T> AttributeValue(Bytes data) {
    if (data.size() != sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

// The attribute's data as text, up to its first zero byte.
std::string AttributeString(Bytes data);

} // namespace platform::netlink
