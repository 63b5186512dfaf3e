#include "Hub.h"

#include "HostNetwork.h"
#include "Ipv4.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hubsim {

namespace {

using std::chrono::milliseconds;

constexpr auto kFloodTick = milliseconds(10);
constexpr int kFloodPerTick = 100; // 10,000 a second
// The flood stops filling the socket when the console stops reading.
constexpr std::size_t kFloodBacklog = 64 * 1024;

std::string Endpoint(const sockaddr_in& address) {
    return FormatIpv4(FromNetworkOrder(address.sin_addr.s_addr)) + ":" +
           std::to_string(ntohs(address.sin_port));
}

} // namespace

Hub::Hub(HubEnvironment environment, HubState start)
    : env(environment), state(start), initial(std::move(start)) {}

Hub::~Hub() {
    Stop();
}

std::string Hub::Tag() const {
    return "[" + FormatIpv4(state.address) + "]";
}

void Hub::Log(const std::string& text) const {
    LogLine(Tag() + " " + text);
}

bool Hub::Start(std::string* error) {
    if (state.physical.empty()) {
        // 02-00-5E and the address's last three octets: the site gives its veths
        // the same numbers, so the text matches what ARP finds.
        char text[32];
        std::snprintf(text, sizeof text, "02-00-5E-%02X-%02X-%02X", (state.address >> 16) & 0xFF,
                      (state.address >> 8) & 0xFF, state.address & 0xFF);
        state.physical = text;
        initial.physical = state.physical;
    }
    const auto prefix = MaskPrefixLength(state.mask);
    if (!prefix) {
        *error = Tag() + " mask " + FormatIpv4(state.mask) + " is not contiguous";
        return false;
    }
    if (env.interfaceIndex != 0 && !HasLocalAddress(state.address)) {
        if (const int code = AddInterfaceAddress(env.interfaceIndex, state.address, *prefix)) {
            *error = Tag() + " cannot add the address: " + std::strerror(code);
            return false;
        }
        addedAddress = true;
    }
    if (!state.Has(Fault::Refuse) && !OpenListener(error)) {
        return false;
    }
    if (state.Has(Fault::NoEcho)) {
        SetEcho(true);
    }
    RestartFlaps();
    return true;
}

void Hub::Stop() {
    DropSession();
    retired.clear();
    env.loop.Cancel(reapTimer);
    CloseListener();
    for (EventLoop::Id& timer : flapTimers) {
        env.loop.Cancel(timer);
        timer = 0;
    }
    if (echoBefore) {
        WriteIpv4Sysctl("icmp_echo_ignore_all", *echoBefore, nullptr);
        echoBefore.reset();
    }
    if (addedAddress) {
        DeleteInterfaceAddress(env.interfaceIndex, state.address,
                               MaskPrefixLength(state.mask).value_or(32));
        addedAddress = false;
    }
}

bool Hub::OpenListener(std::string* error) {
    if (listenFd >= 0) {
        return true;
    }
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = Tag() + " socket: " + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(env.sessionPort);
    local.sin_addr.s_addr = ToNetworkOrder(state.address);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(fd, 8) != 0) {
        *error = Tag() + " cannot listen on port " + std::to_string(env.sessionPort) + ": " +
                 std::strerror(errno) + " (is the address on an interface?)";
        close(fd);
        return false;
    }
    listenFd = fd;
    listenWatch = env.loop.Watch(fd, POLLIN, [this](short) { Accept(); });
    return true;
}

void Hub::CloseListener() {
    if (listenFd >= 0) {
        env.loop.Unwatch(listenWatch);
        close(listenFd);
        listenFd = -1;
    }
}

void Hub::Accept() {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int fd = accept4(listenFd, reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return;
    }
    // The console that just left may have closed its end before the hub read the
    // close: look before turning the newcomer away.
    if (session && session->PeerHasLeft()) {
        OnSessionEnded("closed by the console");
    }
    if (session) {
        // Like the device, one session at a time: a second console is let in by the
        // kernel and closed at once, without a byte.
        Log("second connection from " + Endpoint(peer) + " closed: a session is open");
        close(fd);
        return;
    }
    if (state.Has(Fault::CloseAtOnce)) {
        Log("connection from " + Endpoint(peer) + " closed at once (close-at-once)");
        close(fd);
        return;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ++sessions;
    ++generation;
    answeredInSession = 0;
    session = std::make_unique<Session>(env.loop, fd, Endpoint(peer), *this, state.verbose,
                                        Tag() + " tcp");
    Log("session with " + session->Peer() + " opened");
    SendLinkStatus();
    RestartPeriod();
    RestartFlood();
}

void Hub::OnSessionEnded(const std::string& why) {
    if (session) {
        Log("session with " + session->Peer() + " ended: " + why);
    }
    DropSession();
}

void Hub::EndSession(const std::string& why) {
    if (session) {
        Log("session with " + session->Peer() + " closed by the hub: " + why);
    }
    DropSession();
}

// The session object may be on the call stack (a request it is handing over ends
// it): it is closed now and deleted from the loop later.
void Hub::DropSession() {
    ++generation;
    env.loop.Cancel(periodTimer);
    env.loop.Cancel(floodTimer);
    periodTimer = floodTimer = 0;
    if (!session) {
        return;
    }
    session->Close();
    retired.push_back(std::move(session));
    if (reapTimer == 0) {
        reapTimer = env.loop.After(milliseconds(0), [this] {
            reapTimer = 0;
            retired.clear();
        });
    }
}

bool Hub::MoveTo(std::uint32_t address, std::uint32_t mask, std::string* error) {
    const auto newPrefix = MaskPrefixLength(mask);
    const auto oldPrefix = MaskPrefixLength(state.mask);
    if (!newPrefix || !oldPrefix) {
        *error = "mask is not contiguous";
        return false;
    }
    CloseListener();
    if (env.interfaceIndex != 0 && (address != state.address || mask != state.mask)) {
        DeleteInterfaceAddress(env.interfaceIndex, state.address, *oldPrefix);
        if (const int code = AddInterfaceAddress(env.interfaceIndex, address, *newPrefix);
            code != 0 && code != EEXIST) {
            *error = std::string("cannot add the new address: ") + std::strerror(code);
            AddInterfaceAddress(env.interfaceIndex, state.address, *oldPrefix);
        } else {
            addedAddress = true;
        }
    }
    if (error->empty()) {
        Log("moved to " + FormatIpv4(address) + "/" + std::to_string(*newPrefix));
        state.address = address;
        state.mask = mask;
    }
    std::string listenError;
    if (!state.Has(Fault::Refuse) && !OpenListener(&listenError)) {
        Log(listenError);
    }
    return error->empty();
}

void Hub::RestartPeriod() {
    env.loop.Cancel(periodTimer);
    periodTimer = 0;
    if (session && state.periodMs > 0) {
        periodTimer = env.loop.Every(milliseconds(state.periodMs), [this] { SendLinkStatus(); });
    }
}

void Hub::RestartFlood() {
    env.loop.Cancel(floodTimer);
    floodTimer = 0;
    if (!session || !state.Has(Fault::Flood)) {
        return;
    }
    floodTimer = env.loop.Every(kFloodTick, [this] {
        if (!session || session->PendingBytes() > kFloodBacklog) {
            return;
        }
        const Bytes status = LinkStatusMessage(state.LinkByNumber(), !state.Has(Fault::BadStatus));
        for (int i = 0; i < kFloodPerTick; ++i) {
            session->Send(status);
        }
    });
}

void Hub::RestartFlaps() {
    for (int k = 0; k < kControllers; ++k) {
        EventLoop::Id& timer = flapTimers[static_cast<std::size_t>(k)];
        env.loop.Cancel(timer);
        timer = 0;
        const int period = state.controllers[static_cast<std::size_t>(k)].flapMs;
        if (period > 0) {
            timer = env.loop.Every(milliseconds(period), [this, k] {
                Controller& controller = state.controllers[static_cast<std::size_t>(k)];
                const auto before = state.LinkByNumber();
                controller.onLink = !controller.onLink;
                if (state.LinkByNumber() != before) {
                    SendLinkStatus();
                }
            });
        }
    }
}

void Hub::SetEcho(bool ignore) {
    if (!env.mayChangeNetwork) {
        Log("no-echo needs a network namespace of the hub's own; echo left alone");
        return;
    }
    if (ignore && !echoBefore) {
        std::string before;
        if (WriteIpv4Sysctl("icmp_echo_ignore_all", "1", &before) == 0) {
            echoBefore = before;
        }
    } else if (!ignore && echoBefore) {
        WriteIpv4Sysctl("icmp_echo_ignore_all", *echoBefore, nullptr);
        echoBefore.reset();
    }
}

// Acts on what a command changed in the state.
std::string Hub::Reconcile(const HubState& before) {
    std::string failure;
    if (state.address != before.address || state.mask != before.mask) {
        const std::uint32_t address = state.address;
        const std::uint32_t mask = state.mask;
        state.address = before.address;
        state.mask = before.mask;
        TakeIpParameters(address, mask, state.gateway, &failure);
    }
    if (state.Has(Fault::Refuse) != before.Has(Fault::Refuse)) {
        std::string error;
        if (state.Has(Fault::Refuse)) {
            CloseListener();
        } else if (!OpenListener(&error)) {
            Log(error);
        }
    }
    if (state.Has(Fault::NoEcho) != before.Has(Fault::NoEcho)) {
        SetEcho(state.Has(Fault::NoEcho));
    }
    if (state.Has(Fault::Flood) != before.Has(Fault::Flood)) {
        RestartFlood();
    }
    if (state.periodMs != before.periodMs) {
        RestartPeriod();
    }
    for (int k = 0; k < kControllers; ++k) {
        if (state.controllers[static_cast<std::size_t>(k)].flapMs !=
            before.controllers[static_cast<std::size_t>(k)].flapMs) {
            RestartFlaps();
            break;
        }
    }
    if (state.LinkByNumber() != before.LinkByNumber() ||
        state.Has(Fault::BadStatus) != before.Has(Fault::BadStatus)) {
        SendLinkStatus();
    }
    return failure;
}

std::string Hub::Command(const Words& words) {
    if (words.size() == 1 && words[0] == "status") {
        return "ok " + Status();
    }
    if (words.size() == 1 && words[0] == "close") {
        const bool open = session != nullptr;
        EndSession("close command");
        return open ? "ok closed" : "ok no session";
    }
    if (words.size() == 1 && words[0] == "reset") {
        EndSession("reset");
        const HubState before = state;
        state = initial;
        const std::string failure = Reconcile(before);
        return failure.empty() ? "ok" : "error " + failure;
    }
    HubState changed = state;
    std::string error;
    if (!ApplyCommand(changed, words, &error)) {
        return "error " + error;
    }
    if ((changed.address != state.address || changed.mask != state.mask) &&
        !AcceptableIpParameters(changed.address, changed.mask, &error)) {
        return "error " + error;
    }
    const HubState before = state;
    state = std::move(changed);
    const std::string failure = Reconcile(before);
    return failure.empty() ? "ok" : "error " + failure;
}

std::string Hub::Status() const {
    return state.Describe() + " session=" + (session ? session->Peer() : "none") +
           " listening=" + (listenFd >= 0 ? "yes" : "no") +
           " echo=" + (echoBefore ? "ignored" : "on") + " sessions=" + std::to_string(sessions) +
           " requests=" + std::to_string(requests) + " rejected=" + std::to_string(rejected) +
           " discovery=" + std::to_string(discoveryReplies) +
           " discovery-last-us=" + std::to_string(lastDiscoveryReplyUs);
}

} // namespace hubsim
