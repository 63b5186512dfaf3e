#pragma once

#include "gui/ConsoleWindow.h"

#include <QTest>

// The console never waits on its thread: a search, a connect, the apply pause and the
// number wait run while the window keeps answering. A test that needs their outcome
// runs Qt's events until the window has nothing under way (and has had its first paint,
// which starts the start-up search). False on time-out.
inline bool WaitUntilIdle(CConsoleWindow& window, int timeoutMs = 20000) {
    return QTest::qWaitFor([&window] { return window.IsIdle(); }, timeoutMs);
}
