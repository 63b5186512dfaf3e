// The event log keeps the newest lines up to its limit, whoever writes them.
#include "console/EventLog.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(EventLogBound, KeepsTheNewestLinesUpToTheLimit) {
    CEventLog log;
    // Lines of 98 characters and a line end (one character in the log), from both
    // threads, until the log has held more than its limit.
    const auto line = [](int i) {
        return QStringLiteral("line %1 ").arg(i, 8).leftJustified(98, u'.') +
               QStringLiteral("\r\n");
    };
    constexpr int kLines = static_cast<int>(CEventLog::kMaxCharacters / 99) + 10;
    std::thread watcher([&] {
        for (int i = 0; i < kLines / 2; ++i) {
            log.AppendToLog(line(i));
        }
    });
    watcher.join();
    log.BeginStep(); // as the console does before a step writes its own lines
    for (int i = kLines / 2; i < kLines; ++i) {
        log.AppendToLog(line(i));
    }
    QCoreApplication::processEvents();

    // The newer half is left, in whole lines, up to the last.
    const QStringList lines = log.Text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const int kept = static_cast<int>(lines.size());
    EXPECT_GE(kept, CEventLog::kMaxCharacters / 2 / 99);
    EXPECT_LT(kept, kLines / 2 + 20);
    for (int i = 0; i < kept; ++i) {
        ASSERT_EQ(lines[i] + QStringLiteral("\r\n"), line(kLines - kept + i)) << i;
    }

    // Clearing still clears, and the log fills again from the top.
    log.ClearLog();
    log.AppendToLog(QStringLiteral("again\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("again\r\n"));
}

} // namespace
