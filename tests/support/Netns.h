#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

// Network namespaces for the tests that need real links, addresses and sockets, and for
// the benchmarks. Every namespace made here is named "kn" + a role letter + the process
// id + "x" + a counter, is deleted again with the object that made it (also when a test
// fails half-way), and is cleared by the next run when a test process died with it.
// Addresses come from 198.18.0.0/15. Needs root and iproute2.
namespace kntest {

// Why namespaces cannot be made here ("" when they can).
std::string NetnsUnavailable();

// Runs a shell command; true when it exited with 0. On failure, appends the command and
// its output to *log when given.
bool Shell(const std::string& command, std::string* log = nullptr);

// A name unique in this process ("kn" + role letter + pid + "x" + counter), at most 15
// bytes so that it also serves as an interface name.
std::string UniqueName(const std::string& role);

// Moves the calling thread into the named namespace ("ip netns add" name) for the scope's
// lifetime and back to where it was afterwards. Sockets made meanwhile belong to that
// namespace for good; threads started meanwhile inherit it.
class NetnsScope {
public:
    explicit NetnsScope(const std::string& name);
    ~NetnsScope();
    NetnsScope(const NetnsScope&) = delete;
    NetnsScope& operator=(const NetnsScope&) = delete;

    bool ok() const { return entered; }
    const std::string& whyNot() const { return reason; }

private:
    int previous = -1;
    bool entered = false;
    std::string reason;
};

// One namespace with its loopback up, deleted with the object.
class Netns {
public:
    explicit Netns(const std::string& role);
    ~Netns();
    Netns(const Netns&) = delete;
    Netns& operator=(const Netns&) = delete;

    const std::string& Name() const { return name; }
    bool ok() const { return made; }
    // Failed commands and their output, for the test's message.
    const std::string& Log() const { return log; }

    // "ip -n <name> <arguments>" and "ip netns exec <name> <command>".
    bool Ip(const std::string& arguments);
    bool Exec(const std::string& command);
    bool Sysctl(const std::string& key, const std::string& value);

    // A veth pair from here (link, address "a.b.c.d/len" or "" for none) to peer (its
    // link and address, and the peer end's MAC unless empty), both ends up.
    bool Veth(const std::string& link, const std::string& address, Netns& peer,
              const std::string& peerLink, const std::string& peerAddress,
              const std::string& peerMac = "");

private:
    std::string name;
    std::string log;
    bool made = false;
};

// Runs fn on a thread of its own that has entered the namespace: sockets and netlink
// requests made there belong to it, the rest of the process stays outside. Throws
// std::runtime_error when the namespace cannot be entered; what fn throws comes back too.
void RunInNetns(const std::string& name, const std::function<void()>& fn);

// The same on a thread that keeps running; join it when done. When the namespace cannot
// be entered, fn does not run (the test sees the thread's silence).
std::thread StartInNetns(const std::string& name, std::function<void()> fn);

// The technician's PC and one hub in namespaces of their own, joined by a veth pair:
// 198.18.0.1/24 on the PC's side, 198.18.0.2/24 (MAC 02:4b:4e:00:00:02) on the hub's.
class TwoHosts {
public:
    static constexpr const char* kPcAddress = "198.18.0.1";
    static constexpr const char* kHubAddress = "198.18.0.2";
    static constexpr const char* kAbsentAddress = "198.18.0.77";
    static constexpr const char* kHubMac = "02:4b:4e:00:00:02";

    TwoHosts();

    bool Ok() const { return ok_; }
    Netns& Pc() { return pc_; }
    Netns& Hub() { return hub_; }
    const std::string& PcInterface() const { return pcInterface_; }
    const std::string& HubInterface() const { return hubInterface_; }

    // Makes the hub unreachable as a pulled cable would: the PC's frames to it go to a
    // physical address nobody has.
    bool CutHubOff();

private:
    Netns pc_;
    Netns hub_;
    std::string pcInterface_;
    std::string hubInterface_;
    bool ok_ = false;
};

// A number in network byte order from dotted text.
std::uint32_t Ipv4(const char* dotted);

} // namespace kntest
