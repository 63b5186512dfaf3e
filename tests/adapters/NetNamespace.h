#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

// Network namespaces for tests that need real links, addresses and sockets. Every name
// starts with "kd" and carries the process id, so parallel runs do not meet; everything
// made is deleted again when the object goes, also when the test fails half-way.
class NetNamespaces {
public:
    NetNamespaces();
    ~NetNamespaces();
    NetNamespaces(const NetNamespaces&) = delete;
    NetNamespaces& operator=(const NetNamespaces&) = delete;

    // Why the tests cannot run here ("" when they can): they need root and iproute2.
    static std::string Unavailable();

    // Creates a namespace with loopback up and returns its full name.
    std::string Add(const std::string& role);

    // Runs a shell command; false (and the command and its output recorded in Log()) when
    // it fails.
    bool Run(const std::string& command);
    const std::string& Log() const { return log_; }

private:
    std::string prefix_;
    std::vector<std::string> names_;
    std::string log_;
};

// Runs fn on a thread of its own that has entered the namespace: sockets and netlink
// requests made there belong to that namespace, the rest of the process stays outside.
// Throws std::runtime_error when the namespace cannot be entered.
void RunInNamespace(const std::string& name, const std::function<void()>& fn);

// The same on a thread that keeps running; join it when done.
std::thread StartInNamespace(const std::string& name, std::function<void()> fn);
