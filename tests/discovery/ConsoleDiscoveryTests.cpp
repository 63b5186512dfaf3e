// The console's hub search end to end: the real window (offscreen) in the PC's namespace
// of a test site, with its one adapter, against simulated hubs that answer in every way
// a hub may, well or badly, early or late.
#include "gui/ConsoleWindow.h"
#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/common/MessageBoxScript.h"
#include "tests/support/ConsoleDriver.h"
#include "tests/support/SiteTest.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <optional>

namespace {

constexpr int kSubnet = 70;

// Hubs 1..3 answer well, each by its own route; hubs 4..8 keep quiet until a test lets
// them send their malformed replies.
const std::map<int, std::string> kHubArgs = {
    {1, "--reply unicast"},
    {2, "--reply subnet --model IPH-8"},
    {3, "--reply broadcast --firmware 1.10"},
    {4, "--fault discovery-silent --fault discovery-oversized"},
    {5, "--fault discovery-silent --fault discovery-no-crlf"},
    {6, "--fault discovery-silent --fault discovery-long-lines"},
    {7, "--fault discovery-silent --fault discovery-high-bytes"},
    {8, "--fault discovery-silent --fault discovery-nuls"},
};

struct Row {
    QString address, name, physical, model;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.address.toStdString() << " | " << row.name.toStdString() << " | "
         << row.physical.toStdString() << " | " << row.model.toStdString();
}

class ConsoleDiscovery : public SiteSuite<ConsoleDiscovery> {
public:
    static TestSiteOptions SiteOptions() {
        return {.prefix = "kb", .subnet = kSubnet, .hubs = 8, .perHubArgs = kHubArgs};
    }

protected:
    void TearDown() override {
        console.reset();
        SiteTest::TearDown();
    }

    // Opens the console, whose start-up searches the site's subnet.
    void Open() {
        console = std::make_unique<CConsoleWindow>(false);
        QElapsedTimer timer;
        timer.start();
        console->show();
        EXPECT_TRUE(WaitUntilIdle(*console)); // the start-up search runs after the first paint
        startupSearchMs = timer.elapsed();
        ASSERT_EQ(console->adapterList().addresses, std::vector<std::string>{site->PcAddress()});
    }

    void PressSearch() {
        QTest::mouseClick(console->Button(IDC_SEARCH_HUBS), Qt::LeftButton);
        EXPECT_TRUE(WaitUntilIdle(*console));
        QCoreApplication::processEvents();
    }

    QString Log() const { return console->Log()->Text(); }
    static QString Title() { return QString::fromUtf8(kTitleLine); }
    QString Hub(int i) const { return QString::fromStdString(site->HubAddress(i)); }
    // The text hub i gives as its physical address: 02-00-5E and its address's last
    // three octets.
    static QString Physical(int i) {
        return QStringLiteral("02-00-5E-12-%1-%2")
            .arg(kSubnet, 2, 16, QChar('0'))
            .arg(10 + i, 2, 16, QChar('0'))
            .toUpper();
    }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        QTreeWidget* list = console->HubListView();
        for (int r = 0; r < list->topLevelItemCount(); ++r) {
            const QTreeWidgetItem* item = list->topLevelItem(r);
            rows.push_back({item->text(0), item->text(1), item->text(2), item->text(3)});
        }
        return rows;
    }

    // The search's lines as the rows say they must be: one per row, in row order.
    QString SearchLog(const std::vector<Row>& rows) const {
        QString text = QStringLiteral("Поиск хабов в подсети 198.18.%1.0\r\n").arg(kSubnet);
        for (const Row& row : rows) {
            text += QStringLiteral("Обнаружен хаб: \"") + row.model + QStringLiteral("\", ") +
                    row.address + QStringLiteral(", ") + row.physical + QStringLiteral("\r\n");
        }
        return text;
    }

    // The rows sorted by address: hubs answer in no fixed order.
    static std::vector<Row> ByAddress(std::vector<Row> rows) {
        std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return a.address.section('.', 3).toInt() < b.address.section('.', 3).toInt();
        });
        return rows;
    }

    Row Listed(int i, const QString& model, const QString& physical) const {
        return {Hub(i), QString(), physical, model};
    }

    int DiscoveryReplies(int i) const {
        const std::string status = site->Control(i, "status");
        const auto at = status.find("discovery=");
        return at == std::string::npos ? -1 : std::stoi(status.substr(at + 10));
    }

    void ClickRow(int row) {
        QTreeWidget* list = console->HubListView();
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QCoreApplication::processEvents();
    }

    QString PhysicalField() const {
        return qobject_cast<QLineEdit*>(console->Control(IDC_PHYSICAL_ADDRESS))->text();
    }

    MessageBoxScript boxes;
    std::unique_ptr<CConsoleWindow> console;
    qint64 startupSearchMs = 0;
};

TEST_F(ConsoleDiscovery, HubsAnsweringByUnicastSubnetAndAllOnesBroadcastAreListed) {
    Open();
    const std::vector<Row> rows = Rows();
    EXPECT_EQ(ByAddress(rows), (std::vector<Row>{Listed(1, "IPH-4 2.05", Physical(1)),
                                                 Listed(2, "IPH-8 2.05", Physical(2)),
                                                 Listed(3, "IPH-4 1.10", Physical(3))}));
    EXPECT_EQ(Log(), Title() + SearchLog(rows));
    EXPECT_TRUE(console->HubListView()->selectedItems().isEmpty());
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.Texts().join('|').toStdString();
}

// The oversized reply comes first; the well-formed ones follow 200 ms later and must
// still be heard. Every malformed reply that fits is listed, read as far as its bytes go.
TEST_F(ConsoleDiscovery, MalformedRepliesAreListedAndAnOversizedOneDoesNotEndTheSearch) {
    for (int i = 1; i <= 3; ++i) {
        Tell(i, "discovery-delay 200");
        Tell(i, "fault discovery-late on");
    }
    for (int i = 4; i <= 8; ++i) {
        Tell(i, "fault discovery-silent off");
    }
    Open();

    // Bytes that are not UTF-8 are read as CP1251, where 0x98 stands for nothing.
    const QString highBytesModel = QStringLiteral("IPH-4 2.05 Кест\u0402\uFFFDя");
    const QString highBytesPhysical = Physical(7) + QStringLiteral("\u00A0");
    const QString longModel = QStringLiteral("IPH-4 2.05") + QString(501, QChar('#'));
    const std::vector<Row> rows = Rows();
    EXPECT_EQ(ByAddress(rows),
              (std::vector<Row>{
                  Listed(1, "IPH-4 2.05", Physical(1)), Listed(2, "IPH-8 2.05", Physical(2)),
                  Listed(3, "IPH-4 1.10", Physical(3)),
                  // No line ends: all of it is line 1, and line 2 is empty.
                  Listed(5, "IPH-4 2.05 " + Physical(5), QString()),
                  // A 600-byte line is cut at 511 bytes.
                  Listed(6, longModel, Physical(6)), Listed(7, highBytesModel, highBytesPhysical),
                  // "IPH-4", NUL, "2.05": line 1 ends at the zero, line 2 starts two
                  // bytes after it.
                  Listed(8, "IPH-4", ".05")}));
    EXPECT_EQ(Log(), Title() + SearchLog(rows));
    EXPECT_EQ(DiscoveryReplies(4), 1); // it did answer, and was passed over
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.Texts().join('|').toStdString();
}

// The window stays open 1000 ms after each reply: a hub 600 ms behind the others is
// heard, one 2000 ms behind is not.
TEST_F(ConsoleDiscovery, AReplyAfterTheOneSecondWindowIsMissed) {
    const int lateBefore = DiscoveryReplies(3);
    Tell(2, "discovery-delay 600");
    Tell(2, "fault discovery-late on");
    Tell(3, "discovery-delay 2000");
    Tell(3, "fault discovery-late on");
    Open();

    const std::vector<Row> rows = Rows();
    EXPECT_EQ(ByAddress(rows), (std::vector<Row>{Listed(1, "IPH-4 2.05", Physical(1)),
                                                 Listed(2, "IPH-8 2.05", Physical(2))}));
    EXPECT_EQ(Log(), Title() + SearchLog(rows));
    // The wait started over with hub 2's reply: the search lasted about 1.6 s.
    EXPECT_GE(startupSearchMs, 1550);
    // Hub 3 did answer, after the search was over (and before the next test begins).
    QTRY_COMPARE_WITH_TIMEOUT(DiscoveryReplies(3), lateBefore + 1, 3000);
}

TEST_F(ConsoleDiscovery, SearchDisablesConnectFirstAndKeepsTheSelectedIndex) {
    Open();
    ASSERT_EQ(Rows().size(), 3u) << Log().toStdString();
    ClickRow(2);
    const Row chosen = Rows()[2];
    ASSERT_EQ(console->hubList().selectedHubIndex, 2);
    ASSERT_TRUE(console->Button(IDC_CONNECT)->isEnabled());

    // The button's state at the moment the search writes its first line (the lines that
    // follow it at once may come in the same piece).
    std::optional<bool> connectEnabledAtStart;
    const QString searchLine = QStringLiteral("Поиск хабов в подсети");
    QObject::connect(console->Log(), &QPlainTextEdit::textChanged, console.get(), [&] {
        if (!connectEnabledAtStart && Log().count(searchLine) == 2) {
            connectEnabledAtStart = console->Button(IDC_CONNECT)->isEnabled();
        }
    });
    Tell(1, "fault discovery-silent on");
    Tell(2, "fault discovery-silent on");
    PressSearch();

    EXPECT_EQ(connectEnabledAtStart, std::optional<bool>(false));
    ASSERT_EQ(Rows(), std::vector<Row>{Listed(3, "IPH-4 1.10", Physical(3))});
    EXPECT_TRUE(console->HubListView()->selectedItems().isEmpty());
    EXPECT_EQ(console->hubList().selectedHubIndex, 2);
    EXPECT_FALSE(console->Button(IDC_CONNECT)->isEnabled());
    EXPECT_EQ(console->IpField(IDC_CONNECT_ADDRESS)->Text(), chosen.address);
    EXPECT_EQ(PhysicalField(), chosen.physical);

    // The index now points past the list: a session with a typed hub still opens, but
    // the number write, which reads the selected hub's firmware, refuses.
    console_driver::TypeLastPart(*console, IDC_CONNECT_ADDRESS, QStringLiteral("11"));
    ASSERT_EQ(console->IpField(IDC_CONNECT_ADDRESS)->Text(), Hub(1));
    QTest::mouseClick(console->Button(IDC_CONNECT), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    ASSERT_TRUE(console->session().IsSocketOpen()) << Log().toStdString();
    QTRY_VERIFY_WITH_TIMEOUT(console->Button(IDC_WRITE_NUMBER)->isEnabled(), 5000);
    qobject_cast<QLineEdit*>(console->Control(IDC_CONTROLLER_NUMBER))->setText("3");
    QTest::mouseClick(console->Button(IDC_WRITE_NUMBER), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    EXPECT_EQ(boxes.Texts(), QStringList{"Encountered an improper argument."});
    EXPECT_FALSE(Log().contains(QStringLiteral("Передана команда")));
}

} // namespace
