#include "tests/support/ConsoleDriver.h"

#include "gui/ConsoleWindow.h"
#include "gui/IpAddressEdit.h"
#include "resources/ConsoleTemplate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace console_driver {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

void TypeHubAddress(CConsoleWindow& console, const QString& address) {
    CIpAddressEdit* field = console.IpField(IDC_CONNECT_ADDRESS);
    const QStringList parts = address.split(QLatin1Char('.'));
    for (int i = 0; i < CIpAddressEdit::kFieldCount; ++i) {
        field->Field(i)->clear();
        QTest::keyClicks(field->Field(i), parts.value(i));
    }
}

bool Ready(CConsoleWindow& console) {
    const QPushButton* write = console.Button(IDC_WRITE_NUMBER);
    return console.session().IsSocketOpen() && write->isEnabled() &&
           write->text() == QStringLiteral("Записать") &&
           !console.IpField(IDC_HUB_GATEWAY)->IsBlank();
}

bool Idle(CConsoleWindow& console) {
    return !console.session().IsSocketOpen() && !console.Button(IDC_DISCONNECT)->isEnabled() &&
           console.Button(IDC_SEARCH_HUBS)->isEnabled();
}

void TypeLastPart(CConsoleWindow& console, int fieldId, const QString& part) {
    QLineEdit* last = console.IpField(fieldId)->Field(CIpAddressEdit::kFieldCount - 1);
    last->setFocus();
    last->selectAll();
    QTest::keyClicks(last, part);
}

bool DoubleClickHub(CConsoleWindow& console, const QString& address) {
    QTreeWidget* list = console.HubListView();
    const auto rows = list->findItems(address, Qt::MatchExactly, 0);
    if (rows.size() != 1) {
        return false;
    }
    // Press, release, press, double-click, release.
    QWidget* viewport = list->viewport();
    const QPoint at = list->visualItemRect(rows.first()).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &doubleClick);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
    return true;
}

} // namespace console_driver
