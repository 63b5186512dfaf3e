// tools/testsite.sh: what it builds, that it refuses a second site under one prefix,
// and that nothing of a site outlives it.
#include "ConsolePeer.h"
#include "tests/support/Netns.h"
#include "tests/support/TestSite.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <net/if.h>
#include <sstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = "ks4";

std::string Script(const std::vector<std::string>& args, int* code,
                   const fs::path& script = TestSite::ScriptPath()) {
    std::vector<std::string> argv{"bash", script.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    *code = RunCommand(argv, &output);
    return output;
}

// Whatever of site P is still there: namespaces, state, the PC's link here.
std::vector<std::string> Leftovers(const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator("/run/netns")) {
        if (entry.path().filename().string().rfind(prefix + "-", 0) == 0) {
            found.push_back(entry.path().string());
        }
    }
    if (fs::exists("/run/kestrune-site/" + prefix)) {
        found.push_back("/run/kestrune-site/" + prefix);
    }
    if (if_nametoindex((prefix + "-pc0").c_str()) != 0) {
        found.push_back("link " + prefix + "-pc0");
    }
    return found;
}

std::vector<pid_t> HubPids(const std::string& prefix, int hubs) {
    std::vector<pid_t> pids;
    for (int i = 1; i <= hubs; ++i) {
        std::ifstream in("/run/kestrune-site/" + prefix + "/hub" + std::to_string(i) + ".pid");
        pid_t pid = 0;
        if (in >> pid) {
            pids.push_back(pid);
        }
    }
    return pids;
}

bool Running(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string skip, state;
    return static_cast<bool>(in >> skip >> skip >> state) && state != "Z" && state != "X";
}

// The kernel's ARP table as this thread's namespace sees it: address -> MAC.
std::map<std::string, std::string> ArpTable() {
    std::ifstream in("/proc/thread-self/net/arp");
    std::map<std::string, std::string> table;
    std::string line, address, type, flags, mac;
    std::getline(in, line); // header
    while (in >> address >> type >> flags >> mac && std::getline(in, line)) {
        if (flags == "0x2") { // complete
            table[address] = mac;
        }
    }
    return table;
}

class TestSiteScript : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        if (!TestSite::Available(&whyNot)) {
            GTEST_SKIP() << whyNot;
        }
    }
};

TEST_F(TestSiteScript, BuildsAReachableSiteAndLeavesNothingBehind) {
    auto site =
        std::make_unique<TestSite>(TestSiteOptions{.prefix = kPrefix, .subnet = 4, .hubs = 3});
    ASSERT_TRUE(site->ok()) << site->whyNot();
    EXPECT_EQ(site->PcAddress(), "198.18.4.1");
    EXPECT_EQ(site->PcNamespace(), "ks4-pc");
    EXPECT_EQ(site->HubAddress(3), "198.18.4.13");
    EXPECT_EQ(site->HubNamespace(3), "ks4-h3");
    EXPECT_EQ(site->HubMac(3), "02:00:5e:12:04:0d");
    const std::vector<pid_t> pids = HubPids(kPrefix, 3);
    ASSERT_EQ(pids.size(), 3u);
    {
        kntest::NetnsScope pc(site->PcNamespace());
        ASSERT_TRUE(pc.ok()) << pc.whyNot();

        // The console in the PC's namespace sees one adapter besides lo.
        struct if_nameindex* links = if_nameindex();
        std::vector<std::string> names;
        for (struct if_nameindex* entry = links; entry->if_index != 0; ++entry) {
            names.emplace_back(entry->if_name);
        }
        if_freenameindex(links);
        EXPECT_EQ(names, (std::vector<std::string>{"lo", "ks4-pc0"}));

        for (int i = 1; i <= 3; ++i) {
            EXPECT_TRUE(peer::Ping(site->HubAddress(i), 1000)) << "hub " << i;
        }
        const auto arp = ArpTable();
        for (int i = 1; i <= 3; ++i) {
            const auto entry = arp.find(site->HubAddress(i));
            ASSERT_NE(entry, arp.end()) << "hub " << i;
            EXPECT_EQ(entry->second, site->HubMac(i));
        }

        const auto replies = peer::Discover("198.18.4.255", site->PcAddress(), 300);
        ASSERT_EQ(replies.size(), 3u);
        for (const auto& reply : replies) {
            const std::string text(reply.bytes.begin(), reply.bytes.end());
            const int host = std::stoi(reply.source.substr(reply.source.rfind('.') + 1));
            const std::string mac = site->HubMac(host - 10);
            std::string physical = mac;
            for (char& c : physical) {
                c = c == ':' ? '-' : static_cast<char>(std::toupper(c));
            }
            EXPECT_EQ(text, "IPH-4 2.05\r\n" + physical + "\r\n");
        }
    }
    site.reset();
    EXPECT_TRUE(Leftovers(kPrefix).empty());
    for (pid_t pid : pids) {
        EXPECT_FALSE(Running(pid)) << pid;
    }
}

TEST_F(TestSiteScript, RefusesASecondSiteUnderOnePrefixAndPassesControlCommands) {
    TestSite site({.prefix = kPrefix, .subnet = 4, .hubs = 1});
    ASSERT_TRUE(site.ok()) << site.whyNot();
    int code = 0;
    std::string output = Script({"up", "--prefix", kPrefix, "--subnet", "4"}, &code);
    EXPECT_NE(code, 0);
    EXPECT_NE(output.find("still up"), std::string::npos) << output;

    output = Script({"ctl", "--prefix", kPrefix, "--hub", "1", "status"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(output.rfind("ok ip=198.18.4.11 mask=255.255.255.0 gw=198.18.4.1 ", 0), 0u) << output;
    output = Script({"ctl", "--prefix", kPrefix, "--hub", "1", "link 9 up"}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(output.rfind("error", 0), 0u) << output;
    EXPECT_EQ(site.Control(1, "link 2 up"), "ok");
}

TEST_F(TestSiteScript, FindsTheSimulatorOfTheBuildThatRunsIt) {
    // A copy of the script with no build/ beside it, as when the tree was configured
    // elsewhere: the simulator comes from the environment the tests give it.
    const fs::path copy = fs::temp_directory_path() / "kestrune-testsite-copy.sh";
    fs::copy_file(TestSite::ScriptPath(), copy, fs::copy_options::overwrite_existing);
    int code = 0;
    const std::string output =
        Script({"up", "--prefix", kPrefix, "--subnet", "4", "--hubs", "1"}, &code, copy);
    EXPECT_EQ(code, 0) << output;
    Script({"down", "--prefix", kPrefix}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(Leftovers(kPrefix).empty());
    fs::remove(copy);
}

TEST_F(TestSiteScript, AFailedUpTearsDownWhatItBuilt) {
    int code = 0;
    const std::string output = Script({"up", "--prefix", kPrefix, "--hubs", "2", "--hubsim",
                                       TestSite::HubsimPath(), "--hub", "2", "--no-such-option"},
                                      &code);
    EXPECT_NE(code, 0);
    EXPECT_NE(output.find("hub 2 stopped"), std::string::npos) << output;
    EXPECT_TRUE(Leftovers(kPrefix).empty());
    Script({"down", "--prefix", kPrefix}, &code);
    EXPECT_EQ(code, 0) << "down is idempotent";
}

// --pc host leaves the PC's veth in the calling namespace; here that is a namespace of
// the test's own, so the machine's network is not touched.
TEST_F(TestSiteScript, PcOnTheCallingSide) {
    const std::string host = "ks4x";
    int code = 0;
    RunCommand({"ip", "netns", "add", host});
    struct Cleanup {
        std::string host;
        ~Cleanup() {
            RunCommand({"ip", "netns", "exec", host, "bash", TestSite::ScriptPath(), "down",
                        "--prefix", kPrefix});
            RunCommand({"ip", "netns", "del", host});
        }
    } cleanup{host};

    std::string up;
    code =
        RunCommand({"ip", "netns", "exec", host, "bash", TestSite::ScriptPath(), "up", "--prefix",
                    kPrefix, "--subnet", "4", "--pc", "host", "--hubsim", TestSite::HubsimPath()},
                   &up);
    ASSERT_EQ(code, 0) << up;
    EXPECT_EQ(up.rfind("pc 198.18.4.1 host ks4-pc0\nhub 1 198.18.4.11 ns ks4-h1 mac", 0), 0u) << up;
    {
        kntest::NetnsScope scope(host);
        ASSERT_TRUE(scope.ok()) << scope.whyNot();
        EXPECT_NE(if_nametoindex("ks4-pc0"), 0u);
        EXPECT_TRUE(peer::Ping("198.18.4.11", 1000));
    }
    std::string again;
    code =
        RunCommand({"ip", "netns", "exec", host, "bash", TestSite::ScriptPath(), "up", "--prefix",
                    "ks6", "--subnet", "4", "--pc", "host", "--hubsim", TestSite::HubsimPath()},
                   &again);
    EXPECT_NE(code, 0);
    EXPECT_NE(again.find("198.18.4.0/24 is already"), std::string::npos) << again;

    code = RunCommand(
        {"ip", "netns", "exec", host, "bash", TestSite::ScriptPath(), "down", "--prefix", kPrefix});
    EXPECT_EQ(code, 0);
    kntest::NetnsScope scope(host);
    EXPECT_EQ(if_nametoindex("ks4-pc0"), 0u);
    EXPECT_FALSE(fs::exists("/run/netns/ks4-sw"));
}

} // namespace
