#include "console/EventLog.h"

#include "console/UpdateConnectionEvent.h"
#include "net/SocketManager.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(EventLog, KeepsLinesAndLineEndsAndClears) {
    CEventLog log;
    log.WriteToLog(QStringLiteral("Первая\r\n"));
    log.AppendToLog(QStringLiteral("Вторая\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("Первая\r\nВторая\r\n"));
    log.ClearLog();
    EXPECT_EQ(log.Text(), QString());
    log.AppendToLog(QStringLiteral("Сверху\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("Сверху\r\n"));
    // The socket layer's UTF-8 lines, as it writes them through ILogWindow.
    static_cast<ILogWindow&>(log).AppendToLog(std::string("Соединение установлено\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("Сверху\r\nСоединение установлено\r\n"));
    EXPECT_TRUE(log.isReadOnly());
}

TEST(EventLog, LinesFromAnotherThreadArriveCompleteAndInOrder) {
    CEventLog log;
    log.WriteToLog(QStringLiteral("title\r\n"));
    constexpr int kLines = 1000;
    std::thread writer([&log] {
        for (int i = 0; i < kLines; ++i) {
            log.AppendToLog(QStringLiteral("line %1\r\n").arg(i));
        }
    });
    // The console thread is busy meanwhile; nothing may be lost while it is.
    writer.join();
    QTRY_VERIFY_WITH_TIMEOUT(log.Text().count(QLatin1String("\r\n")) == kLines + 1, 5000);
    const QStringList lines = log.Text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), kLines + 2);
    EXPECT_EQ(lines[0], QStringLiteral("title"));
    for (int i = 0; i < kLines; ++i) {
        ASSERT_EQ(lines[i + 1], QStringLiteral("line %1").arg(i));
    }
}

TEST(EventLog, AStepsLinesStayTogetherAndFollowThoseAlreadyQueued) {
    CEventLog log;
    const auto fromWatcher = [&log](const char* text) {
        std::thread writer([&log, text] { log.AppendToLog(QString::fromUtf8(text)); });
        writer.join();
    };
    fromWatcher("before the step\r\n");
    log.BeginStep();
    log.AppendToLog(QStringLiteral("\r\n"));
    log.AppendToLog(QStringLiteral(">>request\r\n"));
    fromWatcher("<<quick answer\r\n"); // a quick hub answers in the middle of the step
    log.AppendToLog(QStringLiteral("sent\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("before the step\r\n\r\n>>request\r\nsent\r\n"));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Text(),
              QStringLiteral("before the step\r\n\r\n>>request\r\nsent\r\n<<quick answer\r\n"));
}

// The event as the console's window receives it from the queue.
class EventCatcher : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() != UpdateConnectionEvent::kType)
            return QObject::event(event);
        const auto* update = static_cast<UpdateConnectionEvent*>(event);
        code = update->Code();
        manager = update->Manager();
        ++count;
        return true;
    }
    std::uint32_t code = 0;
    CSocketManager* manager = nullptr;
    int count = 0;
};

TEST(UpdateConnectionEvent, TravelsThroughTheEventQueueWithItsCodeAndManager) {
    EXPECT_EQ(static_cast<int>(UpdateConnectionEvent::kType), 0x9234);
    CSocketManager manager;
    EventCatcher catcher;
    QCoreApplication::postEvent(&catcher,
                                new UpdateConnectionEvent(ConnectionDropped, &manager, 1));
    EXPECT_EQ(catcher.count, 0); // posted, not sent
    QCoreApplication::processEvents();
    EXPECT_EQ(catcher.count, 1);
    EXPECT_EQ(catcher.code, static_cast<std::uint32_t>(ConnectionDropped));
    EXPECT_EQ(catcher.manager, &manager);
}

} // namespace
