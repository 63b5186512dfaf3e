// 2,000 hubs on one segment answer one search at once: every one of them must be listed,
// and any of them reached from the list.
#include "tests/common/ConsoleWaits.h"
#include "tests/support/ConsoleOnSite.h"

#include <QTreeWidget>

namespace {

constexpr int kHubs = 2000;

class ManyHubs : public SiteSuite<ManyHubs, ConsoleOnSite> {
public:
    // One simulator plays all of them, 198.18.50.11 onwards, on a /20 that the PC's
    // adapter shares (a /24 holds too few).
    static TestSiteOptions SiteOptions() {
        return {.prefix = "kr3",
                .subnet = 50,
                .hubs = 1,
                .hubArgs = "--count 2000 --mask 255.255.240.0"};
    }

protected:
    static void SetUpTestSuite() {
        SiteSuite::SetUpTestSuite();
        if (SuiteShared().site && SuiteShared().site->ok()) {
            const std::string pc = SuiteShared().site->PcNamespace();
            const std::string adapter = SuiteShared().site->PcInterface();
            RunCommand({"ip", "-n", pc, "addr", "del", "198.18.50.1/24", "dev", adapter});
            RunCommand({"ip", "-n", pc, "addr", "add", "198.18.50.1/20", "dev", adapter});
        }
    }
    void SetUp() override {
        QElapsedTimer timer;
        timer.start();
        OpenConsole(SuiteShared()); // the start-up search runs here
        startup = timer.elapsed();
    }

    // The address of the k-th hub, 0-based.
    static QString HubNumber(int k) {
        const int host = 50 * 256 + 11 + k;
        return QStringLiteral("198.18.%1.%2").arg(host / 256).arg(host % 256);
    }

    void ExpectEveryHubListed() {
        QTreeWidget* list = console->HubListView();
        ASSERT_EQ(list->topLevelItemCount(), kHubs) << LogText().substr(0, 2000);
        QSet<QString> seen;
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            seen.insert(list->topLevelItem(row)->text(0));
        }
        EXPECT_EQ(seen.size(), kHubs);
        EXPECT_TRUE(seen.contains(HubNumber(0)));
        EXPECT_TRUE(seen.contains(HubNumber(kHubs - 1)));
        EXPECT_EQ(Log().count(QStringLiteral("Обнаружен хаб: \"IPH-4 2.05\", ")), kHubs);
    }

    qint64 startup = 0;
};

TEST_F(ManyHubs, EveryHubIsListedAndAnyCanBeReached) {
    Record("2,000 hubs: start-up search", startup);
    ExpectEveryHubListed();

    console->Log()->ClearLog();
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(Button(IDC_SEARCH_HUBS), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    Record("2,000 hubs: search button", timer.elapsed());
    ExpectEveryHubListed();

    // One from the middle of the list.
    QTreeWidget* list = console->HubListView();
    const QString middle = HubNumber(kHubs / 2);
    const auto rows = list->findItems(middle, Qt::MatchExactly, 0);
    ASSERT_EQ(rows.size(), 1);
    list->scrollToItem(rows.first());
    const QRect rect = list->visualItemRect(rows.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_TRUE(WaitUntil([this] { return Ready(); }, 5000)) << LogText();
    EXPECT_EQ(console->IpField(IDC_HUB_IP_ADDRESS)->Text(), middle);
    QTest::mouseClick(Button(IDC_DISCONNECT), Qt::LeftButton);
    ExpectIdle();
}

} // namespace
