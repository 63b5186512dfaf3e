#pragma once

#include <cstdint>
#include <string>

// Network namespaces of the socket tests: every name starts with "kn", every address is
// from 198.18.0.0/15, and everything is deleted again with the objects that made it.
// Needs root.
namespace kntest {

bool RunningAsRoot();

// Runs a shell command quietly; true when it exited with 0.
bool Shell(const std::string& command);

// A unique name for this process: "kn" + role + process id + counter, at most 15 bytes
// so that it also serves as an interface name.
std::string UniqueName(const std::string& role);

// A namespace with its loopback up.
class NetNamespace {
public:
    explicit NetNamespace(const std::string& role);
    ~NetNamespace();
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    const std::string& Name() const { return name_; }
    bool Ok() const { return ok_; }

    // "ip netns exec <name> <command>".
    bool Exec(const std::string& command) const;
    bool Sysctl(const std::string& key, const std::string& value) const;

private:
    std::string name_;
    bool ok_ = false;
};

// Puts the calling thread (and threads it starts meanwhile) into a namespace; the previous
// one is restored on destruction. Sockets keep the namespace they were made in.
class ScopedNetns {
public:
    explicit ScopedNetns(const std::string& name);
    ~ScopedNetns();
    ScopedNetns(const ScopedNetns&) = delete;
    ScopedNetns& operator=(const ScopedNetns&) = delete;

    bool Ok() const { return ok_; }

private:
    int previous_ = -1;
    bool ok_ = false;
};

// The technician's PC and one hub in namespaces of their own, joined by a veth pair:
// 198.18.0.1/24 on the PC's side, 198.18.0.2/24 (MAC 02:4b:4e:00:00:02) on the hub's.
class TwoHosts {
public:
    static constexpr const char* kPcAddress = "198.18.0.1";
    static constexpr const char* kHubAddress = "198.18.0.2";
    static constexpr const char* kAbsentAddress = "198.18.0.77";
    static constexpr const char* kHubMac = "02:4b:4e:00:00:02";

    TwoHosts();
    ~TwoHosts() = default;

    bool Ok() const { return ok_; }
    const NetNamespace& Pc() const { return pc_; }
    const NetNamespace& Hub() const { return hub_; }
    const std::string& PcInterface() const { return pcInterface_; }
    const std::string& HubInterface() const { return hubInterface_; }

    // Makes the hub unreachable as a pulled cable would: the PC's frames to it go to a
    // physical address nobody has.
    bool CutHubOff() const;

private:
    NetNamespace pc_;
    NetNamespace hub_;
    std::string pcInterface_;
    std::string hubInterface_;
    bool ok_ = false;
};

// A number in network byte order from dotted text.
std::uint32_t Ipv4(const char* dotted);

} // namespace kntest
