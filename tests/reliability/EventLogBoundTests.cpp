// The event log keeps the newest lines up to its limit, whoever writes them.
#include "console/EventLog.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(EventLogBound, KeepsTheNewestLinesUpToTheLimit) {
    CEventLog log;
    constexpr int kExtra = 500;
    constexpr int kLines = CEventLog::kMaxLines + kExtra;
    std::thread watcher([&log] {
        for (int i = 0; i < kLines / 2; ++i) {
            log.AppendToLog(QStringLiteral("line %1\r\n").arg(i));
        }
    });
    watcher.join();
    for (int i = kLines / 2; i < kLines; ++i) {
        log.AppendToLog(QStringLiteral("line %1\r\n").arg(i));
    }
    QCoreApplication::processEvents();

    const QStringList lines = log.Text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), CEventLog::kMaxLines + 1); // and the empty rest after the last
    EXPECT_EQ(lines.front(), QStringLiteral("line %1").arg(kExtra));
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("line %1").arg(kLines - 1));
    EXPECT_TRUE(lines.back().isEmpty());

    // Clearing still clears, and the log fills again from the top.
    log.ClearLog();
    log.AppendToLog(QStringLiteral("again\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("again\r\n"));
}

} // namespace
