#pragma once

#include "DiscoverySocket.h"
#include "EventLoop.h"
#include "HubState.h"
#include "Session.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One simulated hub: answers discovery from its own address, serves one console
// session at a time on its session port, and acts out its faults.
namespace hubsim {

struct HubEnvironment {
    EventLoop& loop;
    DiscoverySocket& discovery;
    std::uint16_t sessionPort = kSessionPort;
    // The interface that carries the hub's address, 0 when the hub may not change
    // addresses (outside a namespace of its own, or no --dev given).
    int interfaceIndex = 0;
    bool mayChangeNetwork = false;
};

class Hub : public SessionOwner {
public:
    Hub(HubEnvironment environment, HubState start);
    ~Hub() override;
    Hub(const Hub&) = delete;
    Hub& operator=(const Hub&) = delete;

    bool Start(std::string* error);
    // Ends the session, closes the listener, gives back what the hub changed.
    void Stop();

    std::uint32_t Address() const { return state.address; }
    void OnDiscoveryRequest(const Datagram& request);
    // One control command; the answer line starts with "ok" or "error".
    std::string Command(const Words& words);

    void OnRequest(ByteView message) override;
    void OnSessionEnded(const std::string& why) override;

private:
    bool OpenListener(std::string* error);
    void CloseListener();
    void Accept();
    void EndSession(const std::string& why);
    void DropSession();
    bool MoveTo(std::uint32_t address, std::uint32_t mask, std::string* error);
    // Empty, or what could not be carried out.
    std::string Reconcile(const HubState& before);
    void RestartPeriod();
    void RestartFlood();
    void RestartFlaps();
    void SetEcho(bool ignore);

    void SendMessage(Bytes message);
    void SendLinkStatus();
    void Answer(Bytes reply);
    void Deliver(Bytes reply);
    void ProgramNumber(std::uint8_t number);
    bool TakeIpParameters(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway,
                          std::string* error);
    void SendDiscoveryReply(const Datagram& request, Bytes reply);
    void SendDiscoveryCopies(const Datagram& request, int from);
    Bytes DiscoveryReplyBytes() const;

    std::string Tag() const;
    void Log(const std::string& text) const;
    std::string Status() const;

    HubEnvironment env;
    HubState state;
    HubState initial; // what "reset" goes back to
    int listenFd = -1;
    EventLoop::Id listenWatch = 0;
    std::unique_ptr<Session> session;
    std::vector<std::unique_ptr<Session>> retired;
    EventLoop::Id reapTimer = 0;
    std::uint64_t generation = 0; // of the session; delayed answers check it
    int answeredInSession = 0;
    EventLoop::Id periodTimer = 0;
    EventLoop::Id floodTimer = 0;
    std::array<EventLoop::Id, kControllers> flapTimers{};
    std::optional<std::string> echoBefore; // the namespace's value before no-echo
    bool addedAddress = false;             // the hub put its address on the interface
    std::uint64_t sessions = 0;
    std::uint64_t requests = 0;
    std::uint64_t rejected = 0;
    std::uint64_t discoveryReplies = 0;
    std::int64_t lastDiscoveryReplyUs = 0; // CLOCK_MONOTONIC, as every process on the host reads it
};

} // namespace hubsim
