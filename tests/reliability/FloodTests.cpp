// A hub that floods the session with link status messages, 10,000 a second: the window
// must keep answering the technician and must not pile up memory, with and without the
// traffic dump.
#include "tests/reliability/ProcessFigures.h"
#include "tests/support/ConsoleOnSite.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

namespace {

// A queued click waits at most this long; a sanitizer's build runs several times slower.
constexpr qint64 kClickLimitMs = kSanitizerBuild ? 1000 : 200;

class Flood : public SiteSuite<Flood, ConsoleOnSite>, public ::testing::WithParamInterface<bool> {
public:
    static TestSiteOptions SiteOptions() { return {.prefix = "kr2", .subnet = 52, .hubs = 1}; }

protected:
    void SetUp() override { OpenConsole(SuiteShared(), GetParam()); }

    // Posts a click behind everything already queued for the console thread and returns
    // how long it waited to be handled, -1 when it never was.
    static qint64 QueuedClickDelay(QPushButton* button) {
        QEventLoop loop;
        QElapsedTimer timer;
        qint64 handled = -1;
        const auto connection = QObject::connect(button, &QPushButton::clicked, &loop, [&] {
            handled = timer.elapsed();
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        timer.start();
        QMetaObject::invokeMethod(
            button, [button] { button->click(); }, Qt::QueuedConnection);
        loop.exec();
        QObject::disconnect(connection);
        return handled;
    }

    // The bytes the session's connection has received so far, as the PC's kernel counts.
    long long ReceivedBytes() const {
        std::string output;
        RunCommand(
            {"ip", "netns", "exec", site->PcNamespace(), "ss", "-tinH", "dst", site->HubAddress(1)},
            &output);
        const auto match = QRegularExpression(QStringLiteral("bytes_received:(\\d+)"))
                               .match(QString::fromStdString(output));
        return match.hasMatch() ? match.captured(1).toLongLong() : -1;
    }
};

TEST_P(Flood, TheWindowStaysResponsiveAndMemoryStaysBounded) {
    const bool debug = GetParam();
    ConnectReady(Hub(1));
    if (debug) {
        // The log nearly full already, of the longest lines the dump writes (a 1024-byte
        // read): the flood makes it shed its older half, and takes the place of that.
        const QString longest =
            QStringLiteral("<<") + QStringLiteral("00 ").repeated(1024) + QStringLiteral("\r\n");
        console->Log()->WriteToLog(
            longest.repeated(CEventLog::kMaxCharacters / longest.size() - 10));
    }
    const long fullKiB = MeasureProcess().residentKiB;
    Tell(1, "fault flood on");
    QTest::qWait(1000);

    const ProcessFigures before = MeasureProcess();
    const long long bytesBefore = ReceivedBytes();
    QElapsedTimer timer;
    timer.start();
    qint64 worst = 0;
    // "Записать" with controller 1 on link: the handler runs and refuses with a box.
    for (int probe = 0; probe < 10; ++probe) {
        QTest::qWait(300);
        const qint64 delay = QueuedClickDelay(Button(IDC_WRITE_NUMBER));
        ASSERT_GE(delay, 0) << "a queued click was never handled";
        worst = std::max(worst, delay);
    }
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    const ProcessFigures after = MeasureProcess();
    const double messagesPerSecond =
        static_cast<double>(ReceivedBytes() - bytesBefore) / 32.0 / seconds;
    const long grownKiB = after.residentKiB - before.residentKiB;
    std::cout << "[flood] debug=" << debug << " messages/s=" << static_cast<long>(messagesPerSecond)
              << " worst click delay=" << worst << " ms resident growth=" << grownKiB
              << " KiB log characters=" << console->Log()->document()->characterCount()
              << std::endl;

    // The hub sends 10,000 a second as long as the console reads them; a watcher busy with
    // the dump reads fewer, and the connection holds the hub back.
    EXPECT_GT(messagesPerSecond, 3000) << "the hub did not flood";
    EXPECT_LT(worst, kClickLimitMs);
    EXPECT_EQ(boxes.boxes().size(), 10u);
    EXPECT_LE(console->Log()->document()->characterCount(), CEventLog::kMaxCharacters);
    if (kResidentMemoryTells) {
        // The allocator's own slack aside, nothing may grow: the dump replaces lines of
        // the full log, and status messages leave nothing behind.
        EXPECT_LT(after.residentKiB - fullKiB, debug ? 16384 : 4096);
        EXPECT_LT(grownKiB, debug ? 16384 : 4096);
    }

    // The technician ends the session in the middle of the flood.
    const qint64 delay = QueuedClickDelay(Button(IDC_DISCONNECT));
    EXPECT_GE(delay, 0);
    EXPECT_LT(delay, kClickLimitMs);
    Record(debug ? "flood (dump on): disconnect click handled" : "flood: disconnect click handled",
           delay);
    ExpectIdle();
    Tell(1, "fault flood off");
    ExpectConnectsAgain(Hub(1));
}

INSTANTIATE_TEST_SUITE_P(DumpOffAndOn, Flood, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Dump" : "NoDump"; });

} // namespace
