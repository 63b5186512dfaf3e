// The hub's answers: the session's requests and the discovery request.
#include "Hub.h"
#include "Ipv4.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace hubsim {

namespace {
using std::chrono::milliseconds;
} // namespace

void Hub::SendMessage(Bytes message) {
    if (!session) {
        return;
    }
    if (state.Has(Fault::Split) && message.size() > static_cast<std::size_t>(state.splitAt)) {
        const auto cut = message.begin() + state.splitAt;
        session->Send(Bytes(message.begin(), cut));
        session->Send(Bytes(cut, message.end()), milliseconds(state.splitGapMs));
        return;
    }
    session->Send(std::move(message));
}

void Hub::SendLinkStatus() {
    SendMessage(LinkStatusMessage(state.LinkByNumber(), !state.Has(Fault::BadStatus)));
}

void Hub::Answer(Bytes reply) {
    if (state.Has(Fault::NoAnswer)) {
        Log("request left unanswered (no-answer)");
        return;
    }
    if (state.Has(Fault::Slow)) {
        const std::uint64_t forSession = generation;
        env.loop.After(milliseconds(state.answerDelayMs), [this, forSession, reply] {
            if (forSession == generation) {
                Deliver(reply);
            }
        });
        return;
    }
    Deliver(std::move(reply));
}

void Hub::Deliver(Bytes reply) {
    if (!session) {
        return;
    }
    if (state.Has(Fault::Merge)) {
        // A status and the answer in one write: the console must take both.
        Bytes both = LinkStatusMessage(state.LinkByNumber(), !state.Has(Fault::BadStatus));
        both.insert(both.end(), reply.begin(), reply.end());
        reply = std::move(both);
    }
    SendMessage(std::move(reply));
    if (++answeredInSession == 1 && state.Has(Fault::CloseMid)) {
        // After a split answer the second half must leave before the close.
        if (state.Has(Fault::Split)) {
            const std::uint64_t forSession = generation;
            env.loop.After(milliseconds(state.splitGapMs + 20), [this, forSession] {
                if (forSession == generation) {
                    EndSession("close-mid");
                }
            });
        } else {
            EndSession("close-mid");
        }
    }
}

void Hub::OnRequest(ByteView message) {
    ++requests;
    const Request request = DecodeRequest(message);
    switch (request.kind) {
    case Request::Kind::Malformed:
        ++rejected;
        Log("malformed request ignored: " + request.why);
        return;
    case Request::Kind::Unknown: {
        ++rejected;
        char code[8];
        std::snprintf(code, sizeof code, "%.2X", request.code);
        Log(std::string("request with unknown code ") + code + " ignored");
        return;
    }
    case Request::Kind::GetIpParameters:
        Answer(IpParametersMessage(state.address, state.mask, state.gateway));
        return;
    case Request::Kind::ControllerNumber:
        ProgramNumber(request.number);
        return;
    case Request::Kind::SetIpParameters: {
        std::string why;
        if (!AcceptableIpParameters(request.address, request.mask, &why)) {
            ++rejected;
            Log("SetIpParameters ignored: " + why);
            return;
        }
        if (state.Has(Fault::NoMove)) {
            EndSession("new IP parameters taken, and the hub stays (no-move)");
            return;
        }
        std::string error;
        TakeIpParameters(request.address, request.mask, request.gateway, &error);
        return;
    }
    }
}

void Hub::ProgramNumber(std::uint8_t number) {
    const auto linkBefore = state.LinkByNumber();
    NumberOutcome outcome{number, 0};
    if (state.forcedResult) {
        // A forced result is all the hub says; no controller changes.
        outcome.resultCode = static_cast<std::uint8_t>(*state.forcedResult);
    } else {
        outcome = ProgramControllerNumber(state, number);
    }
    Log("controller number " + std::to_string(number) + ": result " +
        std::to_string(outcome.resultCode));
    if (state.Has(Fault::WrongNumber)) {
        outcome.number = static_cast<std::uint8_t>(number % kControllers + 1);
    }
    Answer(NumberResultMessage(outcome.number, outcome.resultCode));
    if (state.LinkByNumber() != linkBefore) {
        SendLinkStatus();
    }
}

// The hub restarts its network on new parameters: the session is gone, and the hub
// listens and answers discovery at the new address from then on.
bool Hub::TakeIpParameters(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway,
                           std::string* error) {
    EndSession("the hub takes " + FormatIpv4(address) + " mask " + FormatIpv4(mask) + " gw " +
               FormatIpv4(gateway));
    if (!MoveTo(address, mask, error)) {
        Log("move failed: " + *error);
        return false;
    }
    state.gateway = gateway;
    return true;
}

Bytes Hub::DiscoveryReplyBytes() const {
    if (state.customReply) {
        return *state.customReply;
    }
    ReplyShape shape = ReplyShape::Normal;
    if (state.Has(Fault::DiscoveryOversized)) {
        shape = ReplyShape::Oversized;
    } else if (state.Has(Fault::DiscoveryNoCrlf)) {
        shape = ReplyShape::NoLineEnds;
    } else if (state.Has(Fault::DiscoveryLongLines)) {
        shape = ReplyShape::LongLines;
    } else if (state.Has(Fault::DiscoveryHighBytes)) {
        shape = ReplyShape::HighBytes;
    } else if (state.Has(Fault::DiscoveryNuls)) {
        shape = ReplyShape::Nuls;
    }
    return DiscoveryReply(state.ModelText(), state.physical, shape);
}

void Hub::OnDiscoveryRequest(const Datagram& request) {
    if (state.verbose) {
        Log("udp from " + FormatIpv4(request.source) + ":" + std::to_string(request.sourcePort) +
            " " + HexDump("<<", request.bytes));
    }
    if (state.Has(Fault::DiscoverySilent)) {
        return;
    }
    Bytes reply = DiscoveryReplyBytes();
    if (state.Has(Fault::DiscoveryLate)) {
        Datagram target = request;
        target.bytes = {}; // the receive buffer is gone by then
        env.loop.After(milliseconds(state.discoveryDelayMs),
                       [this, target, reply] { SendDiscoveryReply(target, reply); });
        return;
    }
    SendDiscoveryReply(request, std::move(reply));
    if (state.discoveryCopies > 1) {
        Datagram target = request;
        target.bytes = {};
        SendDiscoveryCopies(target, 2);
    }
}

void Hub::SendDiscoveryCopies(const Datagram& request, int from) {
    // In batches a millisecond apart: a burst of thousands would overflow the
    // receiving host's backlog before any socket sees them.
    constexpr int kBatch = 100;
    const int to = std::min(state.discoveryCopies, from + kBatch - 1);
    for (int copy = from; copy <= to; ++copy) {
        char physical[32];
        std::snprintf(physical, sizeof physical, "02-CC-%02X-%02X-%02X-%02X", copy >> 24 & 0xFF,
                      copy >> 16 & 0xFF, copy >> 8 & 0xFF, copy & 0xFF);
        SendDiscoveryReply(request,
                           DiscoveryReply(state.ModelText(), physical, ReplyShape::Normal));
    }
    if (to < state.discoveryCopies)
        env.loop.After(milliseconds(1),
                       [this, request, to] { SendDiscoveryCopies(request, to + 1); });
}

void Hub::SendDiscoveryReply(const Datagram& request, Bytes reply) {
    std::uint32_t destination = request.source;
    int interfaceIndex = 0;
    if (state.route != ReplyRoute::Unicast) {
        destination = state.route == ReplyRoute::Broadcast
                          ? 0xFFFFFFFFu
                          : SubnetBroadcast(state.address, state.mask);
        interfaceIndex = request.interfaceIndex;
    }
    const int code = env.discovery.SendFrom(state.address, interfaceIndex, destination,
                                            request.sourcePort, reply);
    if (code != 0) {
        Log("discovery reply to " + FormatIpv4(destination) + " failed: " + std::strerror(code));
        return;
    }
    ++discoveryReplies;
    lastDiscoveryReplyUs = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
    if (state.verbose) {
        Log("udp to " + FormatIpv4(destination) + ":" + std::to_string(request.sourcePort) + " " +
            HexDump(">>", reply));
    }
}

} // namespace hubsim
