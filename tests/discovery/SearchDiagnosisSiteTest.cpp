// Why a search found nothing, read from a real PC namespace of the test site: each cause
// brought about for real gives its own line in the log's words.
#include "console/SearchFindingTexts.h"
#include "discovery/DiscoveryReply.h"
#include "discovery/SearchFindings.h"
#include "tests/support/SiteTest.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class SearchDiagnosisSite : public SiteSuite<SearchDiagnosisSite> {
public:
    static TestSiteOptions SiteOptions() { return {.prefix = "ka1", .subnet = 110, .hubs = 1}; }

protected:
    void TearDown() override {
        for (auto undo = undos.rbegin(); undo != undos.rend(); ++undo)
            RunCommand(*undo);
        SiteSuite::TearDown();
    }

    // Runs a command now and its opposite when the test ends.
    void Change(const std::vector<std::string>& doIt, const std::vector<std::string>& undoIt) {
        std::string output;
        ASSERT_EQ(RunCommand(doIt, &output), 0) << output;
        undos.push_back(undoIt);
    }
    std::vector<std::string> InPc(std::vector<std::string> argv) const {
        argv.insert(argv.begin(), {"ip", "netns", "exec", site->PcNamespace()});
        return argv;
    }
    void Nft(const std::string& ruleset) {
        Change(InPc({"nft", ruleset}), InPc({"nft", "flush ruleset"}));
    }

    std::string Lines() const {
        const std::string name = site->PcInterface();
        return SearchFindingLines(JudgeEmptySearch(platform::MakeSearchDiagnosis()->Gather(
                                      name, site->PcAddress(), DISCOVERY_PORT)),
                                  name);
    }
    bool Has(const std::string& text) const { return Lines().find(text) != std::string::npos; }

    std::vector<std::vector<std::string>> undos;
};

constexpr const char* kInput = "add table inet ka1; add chain inet ka1 input "
                               "{ type filter hook input priority 0; policy ";

TEST_F(SearchDiagnosisSite, AQuietPcSideNamesEveryCheckAsDone) {
    const std::string lines = Lines();
    EXPECT_NE(lines.find("Проверено: у адаптера ka1-pc0 есть связь по кабелю\r\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("Проверено: адаптер ka1-pc0 проводной\r\n"), std::string::npos);
    EXPECT_NE(lines.find("Проверено: порт UDP 30303 не занят"), std::string::npos);
    // The CI runs as root, so the ruleset is read; an empty one drops nothing.
    EXPECT_NE(lines.find("Проверено: брандмауэр nftables пропускает UDP 30303\r\n"),
              std::string::npos);
    EXPECT_NE(lines.find("Проверено: фильтрация обратного пути (rp_filter) не мешает"),
              std::string::npos);
    EXPECT_EQ(lines.find("Не проверено"), std::string::npos) << lines;
}

TEST_F(SearchDiagnosisSite, NoCarrierWhenTheSwitchEndIsDown) {
    const std::vector<std::string> link = {"ip", "-n", "ka1-sw", "link", "set", "ka1-sp"};
    auto down = link, up = link;
    down.push_back("down");
    up.push_back("up");
    Change(down, up);
    EXPECT_TRUE(Has("Нет связи по кабелю у адаптера ka1-pc0: проверьте кабель")) << Lines();
}

TEST_F(SearchDiagnosisSite, AnotherProcessOnThePortIsNamed) {
    // The child inherits this thread's namespace: the PC's.
    const pid_t child = ::fork();
    if (child == 0) {
        ::execlp("python3", "python3", "-c",
                 "import socket,time;s=socket.socket(socket.AF_INET,socket.SOCK_DGRAM);"
                 "s.bind(('0.0.0.0',30303));time.sleep(30)",
                 nullptr);
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    const std::string named = "Порт UDP 30303 занят: python3 (PID " + std::to_string(child) + ")";
    bool seen = false;
    for (int tries = 0; tries < 100 && !seen; ++tries) {
        seen = Has(named);
        if (!seen)
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(seen) << Lines();
}

TEST_F(SearchDiagnosisSite, NftablesRulesAreJudgedForThePort) {
    Nft(std::string(kInput) + "accept; }; add rule inet ka1 input iif lo accept; "
                              "add rule inet ka1 input udp dport 30303 counter drop");
    EXPECT_TRUE(Has("Брандмауэр nftables отбрасывает UDP 30303: правило inet ka1 input handle"))
        << Lines();

    // A closed door with the usual exceptions, none of which a hub's reply passes.
    Nft(std::string("flush ruleset; ") + kInput +
        "drop; }; add rule inet ka1 input ct state established,related accept; "
        "add rule inet ka1 input meta l4proto icmp accept");
    EXPECT_TRUE(Has("Брандмауэр nftables отбрасывает UDP 30303: inet ka1 input по умолчанию "
                    "отбрасывает пакеты"))
        << Lines();

    // The same door opened for the port lets it through.
    Nft("add rule inet ka1 input udp sport 30303 udp dport { 5000, 30000-30400 } accept");
    EXPECT_TRUE(Has("Проверено: брандмауэр nftables пропускает UDP 30303")) << Lines();

    // Rules on the sender's address are judged by the adapter's subnet: one for the whole
    // subnet lets the replies in, one for another subnet passes them by, and one for part
    // of it cannot be judged: said, not guessed.
    Nft(std::string("flush ruleset; ") + kInput +
        "drop; }; add rule inet ka1 input ip saddr 10.0.0.0/8 drop; "
        "add rule inet ka1 input ip saddr 198.18.110.0/24 accept");
    EXPECT_TRUE(Has("Проверено: брандмауэр nftables пропускает UDP 30303")) << Lines();
    Nft(std::string("flush ruleset; ") + kInput +
        "drop; }; add rule inet ka1 input ip saddr 198.18.110.128/25 accept");
    EXPECT_TRUE(Has("Не проверено: брандмауэр nftables (rule inet ka1 input handle")) << Lines();
}

TEST_F(SearchDiagnosisSite, StrictReversePathFilteringWithASecondAddress) {
    Change(InPc({"sysctl", "-q", "net.ipv4.conf.all.rp_filter=1"}),
           InPc({"sysctl", "-q", "net.ipv4.conf.all.rp_filter=0"}));
    // One address: nothing to say.
    EXPECT_TRUE(Has("Проверено: фильтрация обратного пути (rp_filter) не мешает")) << Lines();
    Change(InPc({"ip", "addr", "add", "198.18.119.1/24", "dev", "ka1-pc0"}),
           InPc({"ip", "addr", "del", "198.18.119.1/24", "dev", "ka1-pc0"}));
    EXPECT_TRUE(Has("Строгая фильтрация обратного пути (rp_filter = 1) при 2 адресах")) << Lines();
}

} // namespace
