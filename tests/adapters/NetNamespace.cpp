#include "NetNamespace.h"

#include <array>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <sched.h>
#include <stdexcept>
#include <unistd.h>

namespace {

std::string Capture(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return "popen failed";
    }
    std::array<char, 256> chunk;
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
        output += chunk.data();
    status = ::pclose(pipe);
    return output;
}

void EnterNamespace(const std::string& name) {
    const std::string path = "/var/run/netns/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    const int entered = ::setns(fd, CLONE_NEWNET);
    ::close(fd);
    if (entered != 0)
        throw std::runtime_error("cannot enter " + path);
}

} // namespace

NetNamespaces::NetNamespaces() : prefix_("kd" + std::to_string(::getpid() % 100000)) {}

NetNamespaces::~NetNamespaces() {
    for (auto it = names_.rbegin(); it != names_.rend(); ++it)
        Run("ip netns del " + *it);
}

std::string NetNamespaces::Unavailable() {
    if (::geteuid() != 0)
        return "needs root to create network namespaces";
    int status = 0;
    Capture("ip -V", status);
    if (status != 0)
        return "needs iproute2 (ip)";
    return {};
}

std::string NetNamespaces::Add(const std::string& role) {
    const std::string name = prefix_ + role;
    Run("ip netns del " + name + " 2>/dev/null"); // left over from a killed run
    if (!Run("ip netns add " + name))
        return {};
    names_.push_back(name);
    Run("ip -n " + name + " link set lo up");
    return name;
}

bool NetNamespaces::Run(const std::string& command) {
    int status = 0;
    const std::string output = Capture(command, status);
    if (status == 0)
        return true;
    log_ += "$ " + command + "\n" + output;
    return false;
}

void RunInNamespace(const std::string& name, const std::function<void()>& fn) {
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            EnterNamespace(name);
            fn();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

std::thread StartInNamespace(const std::string& name, std::function<void()> fn) {
    return std::thread([name, fn = std::move(fn)] {
        try {
            EnterNamespace(name);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what()); // the test sees the thread's silence
            return;
        }
        fn();
    });
}
