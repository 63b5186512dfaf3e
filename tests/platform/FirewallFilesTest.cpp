// The firewall front ends' configuration files, on a made-up tree.
#include "platform/linux/FirewallFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::netfilter::AdapterSubnet;

namespace {

class FirewallFiles : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("kestrune-fw-" + std::to_string(::getpid()));
        fs::remove_all(root);
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const std::string& path, const std::string& text) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path) << text;
    }
    // The drops' rules, or "not checked".
    std::string Ufw() {
        const auto reading = platform::netfilter::ReadUfw("eth0", 30303, kSubnet, root.string());
        if (!reading)
            return "absent";
        if (!reading->drops.value)
            return "not checked";
        std::string rules;
        for (const auto& drop : *reading->drops.value)
            rules += drop.rule + (drop.byPolicy ? " (policy)" : "") + ";";
        return rules;
    }

    const AdapterSubnet kSubnet{0xC6126E01, 24}; // 198.18.110.1/24
    fs::path root;
};

TEST_F(FirewallFiles, UfwFirstFittingTupleDecidesElseThePolicy) {
    EXPECT_EQ(Ufw(), "absent");
    Write("etc/ufw/ufw.conf", "ENABLED=no\n");
    EXPECT_EQ(Ufw(), "");
    Write("etc/ufw/ufw.conf", "# ufw\nENABLED=yes\n");
    Write("etc/default/ufw", "DEFAULT_INPUT_POLICY=\"DROP\"\nDEFAULT_OUTPUT_POLICY=\"ACCEPT\"\n");
    EXPECT_EQ(Ufw(), "not checked"); // no user.rules readable
    Write("etc/ufw/user.rules", "### tuple ### allow tcp 22 0.0.0.0/0 any 0.0.0.0/0 in\n");
    EXPECT_EQ(Ufw(), "ufw DEFAULT_INPUT_POLICY=DROP (policy);");
    // The guide's rule: the hubs' subnet allowed in.
    Write("etc/ufw/user.rules",
          "### tuple ### allow udp 30303 0.0.0.0/0 any 10.0.0.0/8 in\n"
          "### tuple ### allow udp 30000:30400 0.0.0.0/0 any 198.18.110.0/24 in\n");
    EXPECT_EQ(Ufw(), "");
    Write("etc/ufw/user.rules", "### tuple ### deny udp 30303 0.0.0.0/0 any 0.0.0.0/0 in_eth0\n"
                                "### tuple ### allow udp 30303 0.0.0.0/0 any 0.0.0.0/0 in\n");
    EXPECT_EQ(Ufw(), "ufw deny udp 30303 0.0.0.0/0 any 0.0.0.0/0 in_eth0;");
    Write("etc/ufw/user.rules", "### tuple ### allow udp 30303 0.0.0.0/0 any 198.18.110.0/25 in\n");
    EXPECT_EQ(Ufw(), "not checked"); // half the subnet
}

TEST_F(FirewallFiles, FirewalldZoneOfTheInterfaceMustOpenThePort) {
    const auto Firewalld = [this](bool running) {
        const auto reading =
            platform::netfilter::ReadFirewalld("eth0", 30303, running, root.string());
        return !reading                        ? std::string("absent")
               : !reading->drops.value         ? std::string("not checked")
               : reading->drops.value->empty() ? std::string("open")
                                               : reading->drops.value->front().rule;
    };
    EXPECT_EQ(Firewalld(true), "absent");
    Write("usr/lib/firewalld/zones/public.xml", "<zone><service name=\"ssh\"/></zone>");
    Write("usr/lib/firewalld/services/ssh.xml",
          "<service><port protocol=\"tcp\" port=\"22\"/></service>");
    EXPECT_EQ(Firewalld(false), "open"); // a stopped daemon filters nothing
    EXPECT_EQ(Firewalld(true), "firewalld zone public");
    Write("etc/firewalld/zones/work.xml",
          "<zone><interface name=\"eth0\"/><service name=\"hubs\"/></zone>");
    Write("etc/firewalld/services/hubs.xml",
          "<service><port protocol='udp' port='30000-30400'/></service>");
    EXPECT_EQ(Firewalld(true), "open");
}

} // namespace
