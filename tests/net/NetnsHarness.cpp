#include "tests/net/NetnsHarness.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
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

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string UniqueName(const std::string& role) {
    static std::atomic<int> counter{0};
    return "kn" + role.substr(0, 1) + std::to_string(::getpid()) + "x" + std::to_string(counter++);
}

NetNamespace::NetNamespace(const std::string& role) : name_(UniqueName(role)) {
    static std::once_flag cleaned;
    std::call_once(cleaned, RemoveStaleNamespaces);
    ok_ = Shell("ip netns add " + name_) && Shell("ip -n " + name_ + " link set lo up");
}

NetNamespace::~NetNamespace() {
    Shell("ip netns del " + name_);
}

bool NetNamespace::Exec(const std::string& command) const {
    return Shell("ip netns exec " + name_ + " " + command);
}

bool NetNamespace::Sysctl(const std::string& key, const std::string& value) const {
    return Exec("sysctl -qw " + key + "='" + value + "'");
}

ScopedNetns::ScopedNetns(const std::string& name) {
    previous_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    ok_ = previous_ >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
    if (target >= 0)
        ::close(target);
}

ScopedNetns::~ScopedNetns() {
    if (previous_ < 0)
        return;
    if (ok_)
        ::setns(previous_, CLONE_NEWNET);
    ::close(previous_);
}

TwoHosts::TwoHosts() : pc_("p"), hub_("h") {
    if (!pc_.Ok() || !hub_.Ok())
        return;
    pcInterface_ = UniqueName("v");
    hubInterface_ = UniqueName("w");
    const std::string pc = "ip -n " + pc_.Name() + " ";
    const std::string hub = "ip -n " + hub_.Name() + " ";
    ok_ = Shell("ip link add " + pcInterface_ + " netns " + pc_.Name() + " type veth peer name " +
                hubInterface_ + " netns " + hub_.Name() + " address " + kHubMac) &&
          Shell(pc + "addr add " + kPcAddress + "/24 dev " + pcInterface_) &&
          Shell(hub + "addr add " + kHubAddress + "/24 dev " + hubInterface_) &&
          Shell(pc + "link set " + pcInterface_ + " up") &&
          Shell(hub + "link set " + hubInterface_ + " up");
}

bool TwoHosts::CutHubOff() const {
    return Shell("ip -n " + pc_.Name() + " neigh replace " + kHubAddress +
                 " lladdr 02:4b:4e:00:00:ee nud permanent dev " + pcInterface_);
}

std::uint32_t Ipv4(const char* dotted) {
    in_addr address{};
    ::inet_pton(AF_INET, dotted, &address);
    return address.s_addr;
}

} // namespace kntest
