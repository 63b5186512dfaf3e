// The event log keeps the newest lines up to its limit, whoever writes them.
#include "gui/EventLog.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(EventLogBound, KeepsTheNewestLinesUpToTheLimit) {
    CEventLog log;
    // Lines of 98 characters and a line end (one character in the log), until the log has
    // held more than its limit.
    const auto line = [](int i) {
        return QStringLiteral("line %1 ").arg(i, 8).leftJustified(98, u'.') +
               QStringLiteral("\r\n");
    };
    constexpr int kLines = static_cast<int>(CEventLog::kMaxCharacters / 99) + 10;
    for (int i = 0; i < kLines; ++i) {
        log.WriteToLog(line(i));
    }

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
    log.WriteToLog(QStringLiteral("again\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("again\r\n"));
}

} // namespace
