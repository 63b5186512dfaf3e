#include "gui/EventLog.h"

#include <gtest/gtest.h>

namespace {

TEST(EventLog, KeepsLinesAndLineEndsAndClears) {
    CEventLog log;
    log.WriteToLog(QStringLiteral("Первая\r\n"));
    log.WriteToLog(QStringLiteral("Вторая\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("Первая\r\nВторая\r\n"));
    log.ClearLog();
    EXPECT_EQ(log.Text(), QString());
    log.WriteToLog(QStringLiteral("Сверху\r\n"));
    EXPECT_EQ(log.Text(), QStringLiteral("Сверху\r\n"));
    EXPECT_TRUE(log.isReadOnly());
}

} // namespace
