#include "tests/support/Netns.h"

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <sched.h>
#include <signal.h>
#include <stdexcept>
#include <unistd.h>

namespace kntest {

namespace {

// Namespaces left behind by a test process that died: "kn" + role letter + its pid + "x".
void RemoveStaleNamespaces() {
    DIR* dir = ::opendir("/run/netns");
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(0, 2, "kn") != 0)
            continue;
        const auto end = name.find('x', 3);
        if (end == std::string::npos)
            continue;
        const long pid = std::strtol(name.substr(3, end - 3).c_str(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0)
            Shell("ip netns del " + name);
    }
    ::closedir(dir);
}

} // namespace

std::string NetnsUnavailable() {
    if (::geteuid() != 0)
        return "needs root to create network namespaces";
    if (!Shell("ip -V"))
        return "needs iproute2 (ip)";
    return {};
}

bool Shell(const std::string& command, std::string* log) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        if (log != nullptr)
            *log += "$ " + command + "\npopen failed\n";
        return false;
    }
    std::string output;
    std::array<char, 256> chunk;
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
        output += chunk.data();
    const int status = ::pclose(pipe);
    if (status == 0)
        return true;
    if (log != nullptr)
        *log += "$ " + command + "\n" + output;
    return false;
}

std::string UniqueName(const std::string& role) {
    static std::atomic<int> counter{0};
    return "kn" + role.substr(0, 1) + std::to_string(::getpid()) + "x" + std::to_string(counter++);
}

NetnsScope::NetnsScope(const std::string& name) {
    previous = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (previous < 0) {
        reason = std::string("cannot open the thread's own namespace: ") + std::strerror(errno);
        return;
    }
    const int target = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (target < 0) {
        reason = "no network namespace " + name + ": " + std::strerror(errno);
        return;
    }
    if (::setns(target, CLONE_NEWNET) != 0)
        reason = "cannot enter " + name + ": " + std::strerror(errno);
    else
        entered = true;
    ::close(target);
}

NetnsScope::~NetnsScope() {
    // A thread left in a test namespace would send the rest of the run's traffic into a
    // namespace that is about to vanish: better to stop here.
    if (entered && ::setns(previous, CLONE_NEWNET) != 0)
        std::abort();
    if (previous >= 0)
        ::close(previous);
}

Netns::Netns(const std::string& role) : name(UniqueName(role)) {
    static std::once_flag cleaned;
    std::call_once(cleaned, RemoveStaleNamespaces);
    made = Shell("ip netns add " + name, &log) && Ip("link set lo up");
}

Netns::~Netns() {
    Shell("ip netns del " + name);
}

bool Netns::Ip(const std::string& arguments) {
    return Shell("ip -n " + name + " " + arguments, &log);
}

bool Netns::Exec(const std::string& command) {
    return Shell("ip netns exec " + name + " " + command, &log);
}

bool Netns::Sysctl(const std::string& key, const std::string& value) {
    return Exec("sysctl -qw " + key + "='" + value + "'");
}

bool Netns::Veth(const std::string& link, const std::string& address, Netns& peer,
                 const std::string& peerLink, const std::string& peerAddress,
                 const std::string& peerMac) {
    const bool made =
        Ip("link add " + link + " type veth peer name " + peerLink + " netns " + peer.Name() +
           (peerMac.empty() ? "" : " address " + peerMac)) &&
        (address.empty() || Ip("addr add " + address + " dev " + link)) &&
        (peerAddress.empty() || peer.Ip("addr add " + peerAddress + " dev " + peerLink)) &&
        Ip("link set " + link + " up") && peer.Ip("link set " + peerLink + " up");
    // The kernel starts sending on a link that came up only once it has noticed the
    // carrier, which can take it up to a second; until then frames are dropped, and a
    // test that looks its peer up at once would wait for an answer that never comes.
    for (int i = 0; i < 200 && made; ++i) {
        if (Shell("ip -n " + name + " link show " + link + " | grep -q 'state UP'") &&
            Shell("ip -n " + peer.Name() + " link show " + peerLink + " | grep -q 'state UP'"))
            return true;
        ::usleep(10000);
    }
    if (made)
        log += "$ " + link + " and " + peerLink + " did not come up in 2 s\n";
    return false;
}

void RunInNetns(const std::string& name, const std::function<void()>& fn) {
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            NetnsScope inside(name);
            if (!inside.ok())
                throw std::runtime_error(inside.whyNot());
            fn();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

std::thread StartInNetns(const std::string& name, std::function<void()> fn) {
    return std::thread([name, fn = std::move(fn)] {
        NetnsScope inside(name);
        if (!inside.ok()) {
            std::fprintf(stderr, "%s\n", inside.whyNot().c_str());
            return;
        }
        fn();
    });
}

TwoHosts::TwoHosts() : pc_("p"), hub_("h") {
    if (!pc_.ok() || !hub_.ok())
        return;
    pcInterface_ = UniqueName("v");
    hubInterface_ = UniqueName("w");
    ok_ = pc_.Veth(pcInterface_, std::string(kPcAddress) + "/24", hub_, hubInterface_,
                   std::string(kHubAddress) + "/24", kHubMac);
}

bool TwoHosts::CutHubOff() {
    return pc_.Ip(std::string("neigh replace ") + kHubAddress +
                  " lladdr 02:4b:4e:00:00:ee nud permanent dev " + pcInterface_);
}

std::uint32_t Ipv4(const char* dotted) {
    in_addr address{};
    ::inet_pton(AF_INET, dotted, &address);
    return address.s_addr;
}

} // namespace kntest
