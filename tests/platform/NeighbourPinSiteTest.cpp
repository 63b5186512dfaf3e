// Pins on the namespace test site: two hubs fresh from the box answer from one address,
// each with its own physical address, and a pin decides which one a session reaches.
#include "platform/NeighbourPin.h"
#include "platform/linux/NeighbourPinLinux.h"
#include "tests/support/SiteTest.h"

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kSubnet = 61;
constexpr const char* kShared = "198.18.61.11";
constexpr const char* kGateway = "198.18.61.254";
constexpr const char* kForeignEntry = "198.18.61.50";
constexpr std::uint16_t kSessionPort = 5000;

platform::Ipv4Address Address(const char* dotted) {
    platform::Ipv4Address address{};
    ::inet_pton(AF_INET, dotted, address.data());
    return address;
}

platform::PhysicalAddress Mac(const std::string& text) {
    platform::PhysicalAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i)
        mac[i] = static_cast<std::uint8_t>(std::stoul(text.substr(3 * i, 2), nullptr, 16));
    return mac;
}

// The number after "sessions=" in the hub's status.
int Sessions(TestSite& site, int hub) {
    const std::string status = site.Control(hub, "status");
    const auto at = status.find("sessions=");
    return at == std::string::npos ? -1 : std::stoi(status.substr(at + 9));
}

// Opens a TCP connection to the shared address from the calling thread's namespace.
bool Connect() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval limit{3, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in hub{};
    hub.sin_family = AF_INET;
    hub.sin_port = htons(kSessionPort);
    hub.sin_addr.s_addr = kntest::Ipv4(kShared);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&hub), sizeof hub) == 0;
    ::close(fd);
    return connected;
}

// The permission a pin through the helper at path lacks for the user nobody, asked in a
// child that has become nobody; -1 when the child could not tell.
int PermissionAsNobody(const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(255);
        const auto result = platform::MakeHelperPinner(path)->Pin(1, Address(kShared),
                                                                  {0x02, 0, 0x5e, 0x12, 0, 0x0b});
        ::_exit(result.failure.kind == platform::PinFailureKind::NoPermission
                    ? static_cast<int>(result.failure.permission)
                    : 254);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

class NeighbourPinSite : public SiteSuite<NeighbourPinSite> {
public:
    static TestSiteOptions SiteOptions() {
        return {.prefix = "kn1", .subnet = kSubnet, .hubs = 2, .sharing = 2};
    }

protected:
    std::string PcNeighbours() {
        std::string output;
        RunCommand({"ip", "-n", site->PcNamespace(), "neigh", "show", "proto", "75"}, &output);
        return output;
    }
    std::uint32_t PcIndex() {
        std::string output;
        RunCommand({"ip", "netns", "exec", site->PcNamespace(), "cat",
                    "/sys/class/net/" + site->PcInterface() + "/ifindex"},
                   &output);
        return static_cast<std::uint32_t>(std::stoul(output));
    }
};

TEST_F(NeighbourPinSite, ASessionReachesThePinnedHubAloneAndThePinGoesWithItsHandle) {
    ASSERT_EQ(site->HubAddress(1), kShared);
    ASSERT_EQ(site->HubAddress(2), kShared);
    const auto pinner = platform::MakeNeighbourPinner(); // root: the direct way
    ASSERT_FALSE(pinner->SweepLeftovers());
    for (const int chosen : {2, 1}) {
        const int other = 3 - chosen;
        const int chosenBefore = Sessions(*site, chosen);
        const int otherBefore = Sessions(*site, other);
        {
            const auto result = pinner->Pin(PcIndex(), Address(kShared), Mac(site->HubMac(chosen)));
            ASSERT_TRUE(result.pin) << platform::DescribePinFailure(result.failure);
            EXPECT_NE(PcNeighbours().find(site->HubMac(chosen) + " PERMANENT"), std::string::npos)
                << PcNeighbours();
            ASSERT_TRUE(Connect()) << "hub " << chosen;
            for (int tries = 0; tries < 100 && Sessions(*site, chosen) == chosenBefore; ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_EQ(Sessions(*site, chosen), chosenBefore + 1) << "hub " << chosen;
            EXPECT_EQ(Sessions(*site, other), otherBefore) << "hub " << other;
        }
        EXPECT_EQ(PcNeighbours(), "");
    }
}

// The helper as a technician runs it: an ordinary user (nobody) with a copy that holds
// cap_net_admin, as the package installs it.
class NeighbourHelperSite : public NeighbourPinSite {
protected:
    void SetUp() override {
        NeighbourPinSite::SetUp();
        if (IsSkipped() || HasFailure())
            return;
        char folder[] = "/tmp/kn1-helper-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        scratch = folder;
        std::filesystem::permissions(scratch, std::filesystem::perms(0755));
        helper = scratch + "/kestrune-neigh";
        ASSERT_EQ(RunCommand({"cp", KESTRUNE_NEIGH_HELPER, helper}), 0);
        ASSERT_EQ(RunCommand({"setcap", "cap_net_admin+ep", helper}), 0);
    }
    void TearDown() override {
        if (!scratch.empty())
            std::filesystem::remove_all(scratch);
        NeighbourPinSite::TearDown();
    }

    // The helper's answer line, run as nobody in the PC's namespace.
    std::string AsNobody(const std::string& path, std::vector<std::string> arguments) {
        std::vector<std::string> argv{
            "ip",      "netns",         "exec",          site->PcNamespace(),
            "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
            path};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::string output;
        RunCommand(argv, &output);
        return output;
    }

    std::string scratch;
    std::string helper;
};

TEST_F(NeighbourHelperSite, RefusesWhatCouldMisdirectMoreThanAHubAndSweepsOnlyItsOwn) {
    const std::string index = std::to_string(PcIndex());
    const std::string hubMac = site->HubMac(2);
    ASSERT_TRUE(kntest::Shell("ip -n " + site->PcNamespace() + " route add 198.18.200.0/24 via " +
                              kGateway));
    ASSERT_TRUE(kntest::Shell("ip -n " + site->PcNamespace() + " neigh replace " + kForeignEntry +
                              " lladdr 02:00:00:00:00:50 dev " + site->PcInterface() +
                              " nud permanent"));

    EXPECT_EQ(AsNobody(helper, {"add", index, "198.18.62.11", hubMac}), "refused not-in-subnet\n");
    EXPECT_EQ(AsNobody(helper, {"add", index, site->PcAddress(), hubMac}), "refused own-address\n");
    EXPECT_EQ(AsNobody(helper, {"add", index, kGateway, hubMac}), "refused gateway\n");
    EXPECT_EQ(AsNobody(helper, {"add", index, kShared, "01:00:5e:00:00:01"}),
              "refused not-unicast\n");
    EXPECT_EQ(AsNobody(helper, {"add", index, kForeignEntry, hubMac}), "refused not-ours\n");
    EXPECT_EQ(AsNobody(helper, {"remove", index, kForeignEntry}), "refused not-ours\n");
    EXPECT_EQ(PcNeighbours(), "");

    // Without the capability the kernel says no, and the answer says so.
    const std::string plain = scratch + "/plain";
    ASSERT_EQ(RunCommand({"cp", KESTRUNE_NEIGH_HELPER, plain}), 0);
    EXPECT_EQ(AsNobody(plain, {"add", index, kShared, hubMac}), "error 1\n");

    // A pin left behind goes with the next sweep; the administrator's entry stays.
    EXPECT_EQ(AsNobody(helper, {"add", index, kShared, hubMac}), "ok\n");
    EXPECT_NE(PcNeighbours().find(hubMac), std::string::npos);
    EXPECT_EQ(AsNobody(helper, {"sweep"}), "ok\n");
    EXPECT_EQ(PcNeighbours(), "");
    EXPECT_TRUE(kntest::Shell("ip -n " + site->PcNamespace() + " neigh show " + kForeignEntry +
                              " | grep -q PERMANENT"));

    // The program's side of the helper: a pin and its removal with the handle.
    const auto pinner = platform::MakeHelperPinner(helper);
    {
        const auto result = pinner->Pin(PcIndex(), Address(kShared), Mac(hubMac));
        ASSERT_TRUE(result.pin) << platform::DescribePinFailure(result.failure);
        EXPECT_NE(PcNeighbours().find(hubMac), std::string::npos);
        const auto refused = pinner->Pin(PcIndex(), Address(kGateway), Mac(hubMac));
        EXPECT_EQ(refused.failure.refusal, platform::PinRefusal::Gateway);
    }
    EXPECT_EQ(PcNeighbours(), "");
    const auto missing = platform::MakeHelperPinner(scratch + "/none")
                             ->Pin(PcIndex(), Address(kShared), Mac(hubMac));
    EXPECT_EQ(missing.failure.permission, platform::PinPermission::NoHelper);

    // What an ordinary user hears: kept out by the helper's group, or a helper without its
    // capability.
    ASSERT_EQ(::chmod(helper.c_str(), 0750), 0);
    EXPECT_EQ(PermissionAsNobody(helper), static_cast<int>(platform::PinPermission::NotInGroup));
    EXPECT_EQ(PermissionAsNobody(plain),
              static_cast<int>(platform::PinPermission::HelperLacksCapability));

    kntest::Shell("ip -n " + site->PcNamespace() + " route del 198.18.200.0/24");
    kntest::Shell("ip -n " + site->PcNamespace() + " neigh del " + kForeignEntry + " dev " +
                  site->PcInterface());
}

} // namespace
