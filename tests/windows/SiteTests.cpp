#include "adapters/AdapterReport.h"
#include "adapters/AddressText.h"
#include "adapters/PhysicalAddressLookup.h"
#include "discovery/DiscoveryReply.h"
#include "discovery/HubSearch.h"
#include "net/AddressHelpers.h"
#include "net/SocketComm.h"
#include "platform/LastError.h"
#include "platform/SearchDiagnosis.h"
#include "probe/Ping.h"
#include "tests/common/TextChecks.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

// The Windows platform layer against the hub simulator on a test site. The exe runs under
// Wine with its wineserver inside the PC's namespace; tests/windows/site-run.sh builds the
// site and names its addresses in the environment:
//   hub 1 answers a search by unicast, hub 2 by the subnet's broadcast, hub 3 by
//   255.255.255.255, hub 4 refuses the session port; KESTRUNE_SITE_ABSENT has no host.
namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string Hub(int i) {
    return Env(("KESTRUNE_SITE_HUB" + std::to_string(i)).c_str());
}
std::string HubMac(int i) {
    return Env(("KESTRUNE_SITE_HUB" + std::to_string(i) + "_MAC").c_str());
}

bool UnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class WindowsSite : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("KESTRUNE_SITE_PC").empty())
            GTEST_SKIP() << "no test site: run through tests/windows/site-run.sh";
    }

    std::string Pc() const { return Env("KESTRUNE_SITE_PC"); }

    // The inventory's record of the adapter that holds the PC's site address.
    std::optional<platform::AdapterRecord> SiteAdapter() const {
        std::vector<platform::AdapterRecord> records;
        if (platform::MakeAdapterSource()->GetAdapters(platform::kAdapterFamilyInet, records) != 0)
            return std::nullopt;
        for (const platform::AdapterRecord& record : records)
            for (const auto& address : record.unicastAddresses)
                if (DottedText(address) == Pc())
                    return record;
        return std::nullopt;
    }
};

TEST_F(WindowsSite, InventoryListsTheSiteAdapterWithItsMaskAndPhysicalAddress) {
    const std::optional<platform::AdapterRecord> adapter = SiteAdapter();
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->interfaceType, platform::kIfTypeEthernet);
    EXPECT_EQ(PhysicalAddressText(adapter->physicalAddress.data(),
                                  static_cast<std::uint32_t>(adapter->physicalAddress.size())),
              Env("KESTRUNE_SITE_PC_MAC"));

    // The console's own inventory: one entry, the subnet and broadcast from the mask.
    const auto source = platform::MakeAdapterSource();
    AdapterList list;
    const std::string report = EnumerateAdapters(list, true, platform::kAdapterFamilyInet, *source);
    ASSERT_EQ(list.addresses, Texts{Pc()}) << report;
    EXPECT_EQ(list.subnetMasks, Texts{"255.255.255.0"});
    EXPECT_EQ(list.broadcastAddresses[0], Pc().substr(0, Pc().rfind('.')) + ".255");

    // A code with a system text reads it from the system, line end included.
    const auto text = source->ErrorText(platform::kErrorNoData);
    ASSERT_TRUE(text.has_value());
    EXPECT_TRUE(text->ends_with("\r\n")) << *text;
}

TEST_F(WindowsSite, SearchHearsUnicastSubnetAndAllOnesBroadcastReplies) {
    auto source = platform::MakeAdapterSource();
    AdapterList adapters;
    EnumerateAdapters(adapters, false, platform::kAdapterFamilyInet, *source);
    ASSERT_EQ(adapters.addresses, Texts{Pc()});
    HubList hubs;
    std::string log;
    const int count = SearchHubs(adapters, hubs, [&](const std::string& line) { log += line; });
    // Hub 4 answers a search too, its refusal is of the session only.
    EXPECT_EQ(count, 4) << log;
    for (int i = 1; i <= 4; ++i) {
        const auto found = std::find(hubs.hubAddresses.begin(), hubs.hubAddresses.end(), Hub(i));
        ASSERT_NE(found, hubs.hubAddresses.end()) << "hub " << i << " not heard\n" << log;
        EXPECT_EQ(hubs.hubPhysicalAddresses[found - hubs.hubAddresses.begin()], HubMac(i));
    }
}

TEST_F(WindowsSite, TheBoundSearchSocketHearsItsOwnBroadcastThere) {
    // As on Windows, the request broadcast from the adapter's address comes back to the
    // socket bound there; the search passes it over by its source.
    const auto socket = platform::MakeDiscoverySocket();
    const auto pc = socket->Resolve(Pc());
    const auto broadcast = socket->Resolve(Pc().substr(0, Pc().rfind('.')) + ".255");
    ASSERT_TRUE(pc && broadcast);
    ASSERT_TRUE(socket->Create() && socket->SetBroadcast(true) && socket->Bind(*pc, 30303));
    ASSERT_TRUE(socket->SendTo(*broadcast, 30303, DiscoveryRequest()));
    bool ownHeard = false;
    std::uint8_t buffer[512];
    while (!ownHeard && socket->Poll(1000) > 0) {
        platform::ReceivedDatagram datagram;
        ASSERT_TRUE(socket->Receive(buffer, datagram));
        ownHeard = datagram.source == *pc;
    }
    EXPECT_TRUE(ownHeard);
}

TEST_F(WindowsSite, ConnectsToAHubAndIsRefusedOrTimedOutElsewhere) {
    CSocketComm open;
    ASSERT_TRUE(open.OpenConnection(Pc(), Hub(1), "5000", AF_INET, SOCK_STREAM))
        << platform::GetLastError();
    platform::SocketAddressV4 peer;
    ASSERT_TRUE(open.GetPeerAddress(peer));
    EXPECT_EQ(peer.port, platform::HostToNetwork16(5000));

    CSocketComm refused;
    EXPECT_FALSE(refused.OpenConnection(Pc(), Hub(4), "5000", AF_INET, SOCK_STREAM));
    EXPECT_EQ(platform::GetLastError(), platform::kWsaEConnRefused);

    // No host answers ARP: the system gives up first (10065 after about 3 s) or the
    // connect's own deadline does (10060); neither waits past the deadline.
    CSocketComm absent;
    const auto start = Clock::now();
    EXPECT_FALSE(
        absent.OpenConnection(Pc(), Env("KESTRUNE_SITE_ABSENT"), "5000", AF_INET, SOCK_STREAM));
    const auto waited = Clock::now() - start;
    const std::uint32_t code = platform::GetLastError();
    EXPECT_TRUE(code == platform::kWsaEHostUnreach || code == platform::kWsaETimedOut) << code;
    EXPECT_LT(waited, std::chrono::milliseconds(CSocketComm::kConnectTimeoutMs + 1000));
}

TEST_F(WindowsSite, EchoAnswersFromAHubAndTimesOutForNoHost) {
    CPing ping;
    ASSERT_TRUE(ping.HasEchoService()) << ping.MissingServiceDiagnosis();
    EchoReplyInfo reply{};
    ASSERT_TRUE(ping.SendEchoRequest(Hub(1), reply, 128, 1000, 32, 0, false))
        << platform::GetLastError();
    EXPECT_EQ(DottedAddressText(reply.replyAddress), Hub(1));
    EXPECT_EQ(reply.replyStatus, 0u);

    EchoReplyInfo none{};
    EXPECT_FALSE(ping.SendEchoRequest(Env("KESTRUNE_SITE_ABSENT"), none, 128, 1000, 32, 0, false));
    EXPECT_EQ(platform::GetLastError(), platform::kIpReqTimedOut);
}

TEST_F(WindowsSite, PhysicalAddressOfTheConnectedHub) {
    if (UnderWine()) {
        // Wine's SendARP answers ERROR_NOT_SUPPORTED at once; the lookup then reads the
        // neighbour table that the connection has filled.
        ULONG mac[2] = {};
        ULONG length = sizeof mac;
        EXPECT_EQ(::SendARP(::inet_addr(Hub(2).c_str()), ::inet_addr(Pc().c_str()), mac, &length),
                  static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    }
    CSocketComm connection;
    ASSERT_TRUE(connection.OpenConnection(Pc(), Hub(2), "5000", AF_INET, SOCK_STREAM));
    std::string text;
    const std::string log = LookUpHubPhysicalAddress(connection, text);
    EXPECT_EQ(text, HubMac(2)) << log;
    EXPECT_EQ(log, "Физический адрес хаба: " + HubMac(2) + "\r\n");
}

// The facts of a search that found nothing, for the site's adapter, found by its
// connection name as the adapter list shows it. The test's own socket on the discovery
// port is the search's and no holder; one of a child process (this exe again, in the
// role below) is, by its pid and program name where the system tells them.
TEST_F(WindowsSite, DiagnosisReadsTheAdapterAndAnotherProcessOnThePort) {
    const std::optional<platform::AdapterRecord> adapter = SiteAdapter();
    ASSERT_TRUE(adapter);
    const std::string name = adapter->friendlyName;
    const auto diagnosis = platform::MakeSearchDiagnosis();

    auto own = platform::MakeDiscoverySocket();
    const auto pc = own->Resolve(Pc());
    ASSERT_TRUE(pc && own->Create() && own->Bind(*pc, 30303));
    const platform::SearchSystemFacts facts = diagnosis->Gather(name, Pc(), DISCOVERY_PORT);
    own.reset();
    ASSERT_TRUE(facts.enabled.value) << facts.enabled.whyNot;
    EXPECT_TRUE(*facts.enabled.value);
    ASSERT_TRUE(facts.carrier.value) << facts.carrier.whyNot;
    EXPECT_TRUE(*facts.carrier.value);
    ASSERT_TRUE(facts.kind.value) << facts.kind.whyNot;
    EXPECT_EQ(*facts.kind.value, platform::AdapterKind::Wired);
    EXPECT_EQ(facts.addressCount.value, 1);
    EXPECT_EQ(facts.reversePathFilter.value, 0);
    ASSERT_TRUE(facts.portHolders.value) << facts.portHolders.whyNot;
    // Wine's socket table gives the owner of a socket as pid 0, so neither the search's
    // own socket can be told apart nor another process named there.
    const auto untold = [](const platform::PortHolders& read) {
        return read.someHidden && std::all_of(read.holders.begin(), read.holders.end(),
                                              [](const auto& h) { return h.pid == 0; });
    };
    if (UnderWine())
        EXPECT_TRUE(untold(*facts.portHolders.value));
    else
        EXPECT_TRUE(facts.portHolders.value->holders.empty());
    ASSERT_EQ(facts.firewalls.size(), 1u);
    EXPECT_EQ(facts.firewalls[0].name, "Windows Firewall");
    std::cout << "firewall: "
              << (facts.firewalls[0].drops.value
                      ? std::to_string(facts.firewalls[0].drops.value->size()) + " drops"
                      : "not read: " + facts.firewalls[0].drops.whyNot)
              << "\n";
    if (UnderWine()) {
        // Wine's firewall policy answers "not implemented" for the current profiles: the
        // reading says so and claims nothing.
        EXPECT_FALSE(facts.firewalls[0].drops.value);
        EXPECT_NE(facts.firewalls[0].drops.whyNot.find("0x80004001"), std::string::npos);
    } else {
        EXPECT_TRUE(facts.firewalls[0].drops.value) << facts.firewalls[0].drops.whyNot;
    }

    // The child binds the port and says so by a file; it ends when the file goes.
    const std::filesystem::path ready =
        std::filesystem::temp_directory_path() /
        ("kestrune-holder-" + std::to_string(::GetCurrentProcessId()));
    std::filesystem::remove(ready);
    wchar_t exe[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" --gtest_filter=WindowsSite.ChildHoldsTheDiscoveryPort";
    ASSERT_TRUE(::SetEnvironmentVariableW(L"KESTRUNE_HOLD_PORT", ready.wstring().c_str()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                          nullptr, nullptr, &startup, &child);
    ::SetEnvironmentVariableW(L"KESTRUNE_HOLD_PORT", nullptr);
    ASSERT_TRUE(started) << ::GetLastError();
    const auto start = Clock::now();
    while (!std::filesystem::exists(ready) && Clock::now() - start < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const platform::SearchSystemFacts held = diagnosis->Gather(name, Pc(), DISCOVERY_PORT);
    std::filesystem::remove(ready);
    ::WaitForSingleObject(child.hProcess, 10000);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    ASSERT_TRUE(held.portHolders.value) << held.portHolders.whyNot;
    if (UnderWine()) {
        EXPECT_FALSE(held.portHolders.value->holders.empty());
        EXPECT_TRUE(untold(*held.portHolders.value));
        return;
    }
    ASSERT_EQ(held.portHolders.value->holders.size(), 1u);
    EXPECT_EQ(held.portHolders.value->holders[0].pid, static_cast<int>(child.dwProcessId));
    EXPECT_EQ(held.portHolders.value->holders[0].program, "windows_site_tests.exe");
    EXPECT_FALSE(held.portHolders.value->someHidden);
}

// The port's holder for the test above; nothing on its own.
TEST_F(WindowsSite, ChildHoldsTheDiscoveryPort) {
    const std::string ready = Env("KESTRUNE_HOLD_PORT");
    if (ready.empty())
        GTEST_SKIP() << "the diagnosis test's child only";
    const auto socket = platform::MakeDiscoverySocket();
    const auto pc = socket->Resolve(Pc());
    ASSERT_TRUE(pc && socket->Create());
    ASSERT_TRUE(socket->Bind(*pc, 30303)) << platform::GetLastError();
    std::ofstream(ready).put('\n');
    const auto start = Clock::now();
    while (std::filesystem::exists(ready) && Clock::now() - start < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// A connection whose hub vanishes without a word (the runner takes the hub's link down
// when asked through the signal folder) ends within about ten seconds, as on Linux.
class DroppedWatch : public CSocketComm {
public:
    ~DroppedWatch() override { Close(); }
    void OnConnectionEvent(std::uint32_t code) override {
        if (code == ConnectionDropped)
            dropped = true;
    }
    std::atomic<bool> dropped{false};
};

// A physical address in one spelling: lower case, colons.
std::string Spelled(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return c == '-' ? ':' : static_cast<char>(std::tolower(c));
    });
    return text;
}

// kestrunectl.exe as a technician runs it: one adapter on this PC, so no --adapter; every
// hub that answers a search is listed with its physical address, whatever way it answered.
TEST_F(WindowsSite, KestrunectlDiscoverListsTheHubs) {
    std::string exe = "Z:" KESTRUNECTL_EXE;
    std::replace(exe.begin(), exe.end(), '/', '\\');
    FILE* output = ::_popen(("\"" + exe + "\" discover --csv").c_str(), "r");
    ASSERT_NE(output, nullptr);
    std::string listed;
    char buffer[512];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, output)) > 0;)
        listed.append(buffer, got);
    EXPECT_EQ(::_pclose(output), 0) << listed;
    for (int i = 1; i <= 3; ++i) {
        EXPECT_NE(listed.find(Hub(i) + ","), std::string::npos) << listed;
        EXPECT_NE(Spelled(listed).find(Spelled(HubMac(i))), std::string::npos)
            << HubMac(i) << " in\n"
            << listed;
    }
}

TEST_F(WindowsSite, VanishedHubEndsTheSession) {
    const std::string signals = Env("KESTRUNE_SITE_SIGNALS");
    ASSERT_FALSE(signals.empty());
    {
        // Wine takes the keep-alive times but neither the probe count nor the
        // retransmission limit (TCP_MAXRT): the detection says so, and its probes follow
        // the Linux host's count (9), so a silent hub is noticed after about 14 s there.
        platform::SocketAddressV4 hub;
        hub.family = platform::kAddressFamilyInet;
        hub.port = platform::HostToNetwork16(5000);
        hub.address = ::inet_addr(Hub(3).c_str());
        const platform::SocketHandle socket = platform::OpenSocket(AF_INET, SOCK_STREAM, 0);
        ASSERT_TRUE(platform::ConnectSocket(socket, hub, 5000));
        const bool enabled = platform::EnableDeadPeerDetection(socket);
        const std::uint32_t code = platform::GetLastError();
        platform::CloseSocket(socket);
        if (UnderWine()) {
            EXPECT_FALSE(enabled);
            EXPECT_EQ(code, platform::kWsaENoProtoOpt);
        } else {
            EXPECT_TRUE(enabled) << code;
        }
    }
    DroppedWatch session;
    ASSERT_TRUE(session.OpenConnection(Pc(), Hub(3), "5000", AF_INET, SOCK_STREAM));
    ASSERT_TRUE(session.StartWatcher());
    std::ofstream(signals + "\\vanish-hub3").put('\n');
    const auto start = Clock::now();
    while (!session.dropped && Clock::now() - start < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto waited = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start);
    ASSERT_TRUE(session.dropped) << "still open after " << waited.count() << " s";
    // 5 s idle, then one probe a second: five unanswered ones where the probe count can
    // be set, ten on older systems.
    EXPECT_GE(waited.count(), 5);
    EXPECT_LE(waited.count(), 17);
    std::cout << "vanished hub noticed after " << waited.count() << " s\n";
}

} // namespace
