// What arrives on UDP 30303 is not always a hub's reply: broken and oversized replies,
// and a device that keeps talking to the port. The search lists what the hubs said, skips
// what it cannot take, and ends.
#include "tests/common/ConsoleWaits.h"
#include "tests/support/ConsoleOnSite.h"
#include "tests/support/Netns.h"

#include <QTreeWidget>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

class DiscoveryFaults : public SiteSuite<DiscoveryFaults, ConsoleOnSite> {
public:
    // Hub 1 answers properly, hub 2 with 2,000 bytes, hub 3 as each test tells it.
    static TestSiteOptions SiteOptions() {
        return {.prefix = "kr4",
                .subnet = 54,
                .hubs = 3,
                .perHubArgs = {{2, "--fault discovery-oversized"}}};
    }

protected:
    void SetUp() override { OpenConsole(SuiteShared()); }

    // Presses "Поиск хабов"; returns how long the console was busy with it.
    qint64 Search() {
        console->Log()->ClearLog();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(Button(IDC_SEARCH_HUBS), Qt::LeftButton);
        EXPECT_TRUE(WaitUntilIdle(*console));
        return timer.elapsed();
    }

    QStringList ListedAddresses() const {
        QStringList addresses;
        for (int row = 0; row < console->HubListView()->topLevelItemCount(); ++row) {
            addresses << console->HubListView()->topLevelItem(row)->text(0);
        }
        addresses.sort();
        return addresses;
    }

    // The model text hub i's row shows; the log's line for it must show the same.
    QString ListedModelText(int hub) const {
        const auto rows = console->HubListView()->findItems(Hub(hub), Qt::MatchExactly, 0);
        return rows.size() == 1 ? rows.first()->text(3) : QStringLiteral("<not listed once>");
    }
};

TEST_F(DiscoveryFaults, BrokenAndOversizedRepliesAreSurvived) {
    const std::vector<std::string> shapes = {
        "fault discovery-no-crlf on",
        "fault discovery-long-lines on",
        "fault discovery-high-bytes on",
        "fault discovery-nuls on",
        // Markup stays text: "<b>IPH</b>\r\n<i>02</i>\r\n".
        "discovery-hex 3C623E4950483C2F623E0D0A3C693E30323C2F693E0D0A",
        "discovery-hex 00",
        "discovery-hex 0D0A0D0A",
        "discovery-hex 0D",
    };
    for (const std::string& shape : shapes) {
        SCOPED_TRACE(shape);
        Tell(3, "reset");
        Tell(3, shape);
        const qint64 busy = Search();
        EXPECT_LT(busy, 2500);
        // Hub 2's oversized reply is passed over; hub 3's, whatever it holds, is listed.
        EXPECT_EQ(ListedAddresses(), (QStringList{Hub(1), Hub(3)})) << LogText();
        const QString model = ListedModelText(3);
        EXPECT_LE(model.size(), 511);
        // No control of the hub's text reaches the row or the log: a line break cannot
        // forge a log line. The log keeps a TAB that the row shows as its stand-in.
        for (const QChar c : model)
            EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() != 0x7F) << int{c.unicode()};
        EXPECT_TRUE(Log().contains(
            QStringLiteral("Обнаружен хаб: \"%1\", %2, ")
                .arg(QString(model).replace(QChar(0x2409), QLatin1Char('\t')), Hub(3))))
            << LogText();
        EXPECT_TRUE(boxes.boxes().empty());
    }
    EXPECT_EQ(ListedModelText(3), QString(QChar(0x240D))) << "a lone CR is shown as its stand-in";
    Tell(3, "discovery-hex 3C623E4950483C2F623E0D0A3C693E30323C2F693E0D0A");
    Search();
    EXPECT_EQ(ListedModelText(3), QStringLiteral("<b>IPH</b>"));
    ExpectConnectsAgain(Hub(1));
}

// A device at 198.18.54.99 that sends to the PC's port 30303 every 300 ms.
class ChatteringDevice {
public:
    ChatteringDevice(const std::string& nameSpace, const std::string& pc, int lifetimeMs) {
        kntest::NetnsScope device(nameSpace);
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, "198.18.54.99", &local.sin_addr);
        target.sin_family = AF_INET;
        target.sin_port = htons(30303);
        ::inet_pton(AF_INET, pc.c_str(), &target.sin_addr);
        if (!device.ok() || fd < 0 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            return;
        }
        sender = std::thread([this, lifetimeMs] {
            const auto end =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(lifetimeMs);
            while (!stop.load() && std::chrono::steady_clock::now() < end) {
                static const char kText[] = "status ok\r\n";
                ::sendto(fd, kText, sizeof kText - 1, 0, reinterpret_cast<sockaddr*>(&target),
                         sizeof target);
                sent.fetch_add(1);
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
        });
    }
    ~ChatteringDevice() {
        stop.store(true);
        if (sender.joinable()) {
            sender.join();
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
    ChatteringDevice(const ChatteringDevice&) = delete;
    ChatteringDevice& operator=(const ChatteringDevice&) = delete;

    bool ok() const { return sender.joinable(); }
    int Sent() const { return sent.load(); }

private:
    int fd = -1;
    sockaddr_in target{};
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread sender;
};

TEST_F(DiscoveryFaults, ADeviceThatKeepsTalkingCannotHoldTheSearch) {
    const std::string hubNs = site->HubNamespace(3);
    Change({"ip", "-n", hubNs, "addr", "add", "198.18.54.99/24", "dev", "eth0"},
           {"ip", "-n", hubNs, "addr", "del", "198.18.54.99/24", "dev", "eth0"});
    // It talks for 20 s: a search that waited for it to stop would take as long.
    ChatteringDevice device(hubNs, site->PcAddress(), 20000);
    ASSERT_TRUE(device.ok());
    const qint64 busy = Search();
    Record("a device talking to port 30303: search ends", busy);
    EXPECT_GE(busy, 4500);
    EXPECT_LT(busy, 6500);
    const QStringList listed = ListedAddresses();
    EXPECT_TRUE(listed.contains(Hub(1)));
    EXPECT_TRUE(listed.contains(Hub(3)));
    // Any datagram is a reply to the search: the device is listed for each it sent.
    EXPECT_GE(listed.count(QStringLiteral("198.18.54.99")), 10);
    EXPECT_TRUE(Button(IDC_SEARCH_HUBS)->isEnabled());
    ExpectConnectsAgain(Hub(1));
}

} // namespace
