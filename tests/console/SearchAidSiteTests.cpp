// The console's marks and explanations on the test site: its real services in the PC's
// namespace, a recording view and the plain loop, against simulated hubs that share an
// address, answer from another subnet, or are shut out by the PC's firewall.
#include "console/KestruneDlg.h"
#include "operations/PlainLoop.h"
#include "resources/ConsoleTemplate.h"
#include "tests/console/RecordingView.h"
#include "tests/support/SiteTest.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>

using namespace std::chrono_literals;

namespace {

// Hub 2 takes hub 1's address with a physical address of its own; hub 3 sits in
// 198.18.112.0/24 and answers by broadcast.
class SearchAidSite : public SiteSuite<SearchAidSite> {
public:
    static TestSiteOptions SiteOptions() {
        return {.prefix = "ka2",
                .subnet = 111,
                .hubs = 3,
                .perHubArgs = {{2, "--ip 198.18.111.11 --phys 02-00-5E-12-6F-0C"},
                               {3, "--ip 198.18.112.13 --reply broadcast"}}};
    }

protected:
    void TearDown() override {
        console.reset();
        if (!undo.empty())
            RunCommand(undo);
        SiteSuite::TearDown();
    }

    // Runs the loop until nothing is under way (a search, a connect), 15 s at the most.
    void RunUntilIdle() {
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        std::function<void()> check = [&] {
            if (console->operation() == CKestruneDlg::Operation::None ||
                std::chrono::steady_clock::now() > deadline)
                loop.Quit();
            else
                loop.StartTimer(10ms, check);
        };
        loop.StartTimer(10ms, check);
        loop.Run();
        ASSERT_EQ(console->operation(), CKestruneDlg::Operation::None) << view.log;
    }

    void Open() {
        console = std::make_unique<CKestruneDlg>(view, loop, false);
        console->OnInitDialog();
        console->OnFirstPaint();
        RunUntilIdle();
    }

    bool LogHas(const std::string& text) const { return view.log.find(text) != std::string::npos; }

    RecordingView view;
    PlainLoop loop;
    std::unique_ptr<CKestruneDlg> console;
    std::vector<std::string> undo;
};

TEST_F(SearchAidSite, HubsSharingAnAddressAndAForeignHubAreMarkedLoggedAndAskedAbout) {
    Open();
    const auto& rows = view.Rows();
    ASSERT_EQ(rows.size(), 3u) << view.log;
    int shared = 0;
    for (const HubRow& row : rows) {
        if (row.address == "198.18.111.11") {
            ++shared;
            EXPECT_NE(
                row.warning.find(row.physicalAddress == "02-00-5E-12-6F-0B" ? "6F-0C" : "6F-0B"),
                std::string::npos)
                << row.warning;
        } else {
            EXPECT_EQ(row.address, "198.18.112.13");
            EXPECT_NE(row.warning.find("вне подсети 198.18.111.0"), std::string::npos);
        }
    }
    EXPECT_EQ(shared, 2);
    EXPECT_TRUE(LogHas("Конфликт адресов: с адреса 198.18.111.11 отвечают хабы с физическими "
                       "адресами 02-00-5E-12-6F-0"))
        << view.log;
    EXPECT_TRUE(LogHas("Хаб 198.18.112.13 (физический адрес 02-00-5E-12-70-0D) находится вне "
                       "подсети 198.18.111.0\r\n"));

    // Connecting to the shared address asks first; No sends nothing.
    view.SetAddressText(IDC_CONNECT_ADDRESS, "198.18.111.11");
    view.answers.push_back(BoxAnswer::No);
    console->RunHandler([this] { console->ConnectToHub(); });
    RunUntilIdle();
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, "Внимание");
    EXPECT_NE(view.boxes[0].text.find("выключите питание"), std::string::npos);
    EXPECT_FALSE(console->session().IsSocketOpen());
    EXPECT_NE(site->Control(1, "status").find("session=none"), std::string::npos);

    // The foreign hub: the PC needs an address of its subnet, and one is named.
    view.SetAddressText(IDC_CONNECT_ADDRESS, "198.18.112.13");
    view.answers.push_back(BoxAnswer::No);
    console->RunHandler([this] { console->ConnectToHub(); });
    ASSERT_EQ(view.boxes.size(), 2u);
    EXPECT_NE(view.boxes[1].text.find("198.18.112.250 с маской 255.255.255.0"), std::string::npos)
        << view.boxes[1].text;
}

TEST_F(SearchAidSite, AFirewallThatDropsThePortIsNamedAfterAnEmptySearch) {
    const std::vector<std::string> nft = {"ip", "netns", "exec", site->PcNamespace(), "nft"};
    auto drop = nft, flush = nft;
    drop.push_back("add table inet ka2; add chain inet ka2 input { type filter hook input "
                   "priority 0; policy accept; }; add rule inet ka2 input udp dport 30303 drop");
    flush.push_back("flush ruleset");
    std::string output;
    ASSERT_EQ(RunCommand(drop, &output), 0) << output;
    undo = flush;
    Open();
    EXPECT_TRUE(view.Rows().empty());
    EXPECT_TRUE(LogHas("Хабы в подсети 198.18.111.0 не обнаружены\r\n"
                       "Проверено: у адаптера ka2-pc0 есть связь по кабелю\r\n"))
        << view.log;
    EXPECT_TRUE(LogHas("Брандмауэр nftables отбрасывает UDP 30303: правило inet ka2 input handle"))
        << view.log;
}

} // namespace
