// A technician without a mouse: from the hub list to a session, a controller number
// written through the real confirmation boxes, and back to idle, with keys alone. The
// real window (offscreen, Qt's Russian texts loaded) in the PC's namespace of a test site.
#include "app/QtTranslations.h"
#include "gui/ConsoleWindow.h"
#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "gui/TemplateBuilder.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/common/QtPrinters.h"
#include "tests/console/KeyInput.h"
#include "tests/console/RealMessageBoxes.h"
#include "tests/support/SiteTest.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// Not a ConsoleOnSite: the boxes here are the real ones, with Qt's Russian texts, and
// the window must be the active one for the keys to reach it.
class KeyboardFlow : public SiteSuite<KeyboardFlow> {
public:
    // Hub 2: old firmware, and controller 2 with its programming jumper fitted.
    static TestSiteOptions SiteOptions() {
        return {.prefix = "kp",
                .subnet = 60,
                .hubs = 2,
                .perHubArgs = {{2, "--firmware 0.98 --controller 2 present --jumper 2 on"}}};
    }

protected:
    static void SetUpTestSuite() {
        InstallQtTranslations(*qApp);
        SiteSuite::SetUpTestSuite();
    }

    void SetUp() override {
        Enter(SuiteShared());
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        console = std::make_unique<CConsoleWindow>(false);
        console->show();
        EXPECT_TRUE(WaitUntilIdle(*console)); // the start-up search runs after the first paint
        ASSERT_TRUE(QTest::qWaitForWindowActive(console.get()));
    }

    void TearDown() override {
        console.reset();
        SiteTest::TearDown();
    }

    QString Log() const { return console->Log()->Text(); }
    QString Hub(int i) const { return QString::fromStdString(site->HubAddress(i)); }

    // After a message box, a desktop's window manager gives the window below back its
    // activation; the offscreen platform has none, so the test does.
    void BackToTheWindow() {
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget() == nullptr, 5000);
        console->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(console.get()));
    }

    // Tab (or Shift+Tab) once per control expected, checking where the focus lands.
    void TabThrough(const QList<int>& expected, bool backwards = false) {
        QList<int> visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            PressKey(backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                     backwards ? Qt::ShiftModifier : Qt::NoModifier);
            visited << FocusedControl();
        }
        EXPECT_EQ(visited, expected);
    }

    std::unique_ptr<CConsoleWindow> console;
};

TEST_F(KeyboardFlow, FromTheHubListToASessionAndBackWithKeysAlone) {
    QTreeWidget* list = console->HubListView();
    ASSERT_EQ(list->topLevelItemCount(), 2) << Log().toStdString();
    ASSERT_EQ(FocusedControl(), IDC_HUB_LIST);

    // Arrows move the selection (the rows come in the order the replies arrived); Space
    // takes the hub into the connection fields.
    PressKey(Qt::Key_Home);
    while (list->currentItem()->text(0) != Hub(2) &&
           list->indexOfTopLevelItem(list->currentItem()) < list->topLevelItemCount() - 1) {
        PressKey(Qt::Key_Down);
    }
    ASSERT_EQ(list->currentItem()->text(0), Hub(2));
    EXPECT_TRUE(console->IpField(IDC_CONNECT_ADDRESS)->IsBlank());
    PressKey(Qt::Key_Space);
    QTRY_COMPARE(console->IpField(IDC_CONNECT_ADDRESS)->Text(), Hub(2));
    EXPECT_EQ(qobject_cast<QLineEdit*>(console->Control(IDC_PHYSICAL_ADDRESS))->text(),
              QStringLiteral("02-00-5E-12-3C-0C"));

    // Tab to "Установить соединение" and Space: the session opens.
    TabThrough({IDC_CONNECT_ADDRESS, IDC_PHYSICAL_ADDRESS, IDC_CONNECT});
    PressKey(Qt::Key_Space);
    ASSERT_TRUE(WaitUntilIdle(*console));
    ASSERT_TRUE(console->session().IsSocketOpen()) << Log().toStdString();
    QTRY_COMPARE_WITH_TIMEOUT(console->Button(IDC_WRITE_NUMBER)->text(), QStringLiteral("Записать"),
                              5000);
    QTRY_VERIFY_WITH_TIMEOUT(!console->IpField(IDC_HUB_GATEWAY)->IsBlank(), 5000);
    EXPECT_TRUE(console->LinkIndicator(1)->isChecked());
    // The connect button went off under the focus, which moved on to the next control.
    EXPECT_EQ(FocusedControl(), IDC_DISCONNECT);

    // Number 3 into field 119 and "Записать": hub 2's old firmware brings a question
    // first; Enter takes its default, "Нет", and nothing is sent.
    TabThrough({IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY, IDC_APPLY_PARAMETERS,
                IDC_CONTROLLER_NUMBER});
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("3")); // Tab selected the "1"
    TabThrough({IDC_WRITE_NUMBER});
    ShownBox firmware;
    WhenMessageBoxShows([&firmware](QMessageBox* box) {
        firmware = Describe(box);
        PressKey(Qt::Key_Return);
    });
    PressKey(Qt::Key_Space);
    EXPECT_TRUE(firmware.text.startsWith(QStringLiteral("Вероятно прошивка выбранного хаба")));
    EXPECT_EQ(firmware.caption, QStringLiteral("Внимание"));
    EXPECT_EQ(firmware.buttons, (QStringList{"Да", "Нет"}));
    EXPECT_EQ(firmware.focusedButton, QStringLiteral("Нет"));
    EXPECT_FALSE(Log().contains(QStringLiteral("Передана команда")));
    BackToTheWindow();
    EXPECT_EQ(FocusedControl(), IDC_WRITE_NUMBER);

    // Again, answering "Да" twice: Left then Space in the first box, Alt+Д in the second;
    // the hub's result comes in a third box, closed with Enter.
    QStringList shown;
    QString movedTo;
    bool resultClosed = false;
    WhenMessageBoxShows([&](QMessageBox* box) {
        shown << box->text();
        PressKey(Qt::Key_Left);
        movedTo = Describe(box).focusedButton;
        WhenMessageBoxShows([&](QMessageBox* jumper) {
            shown << jumper->text();
            WhenMessageBoxShows([&](QMessageBox* result) {
                shown << result->text();
                PressKey(Qt::Key_Return);
                resultClosed = true;
            });
            // A mnemonic clicks its button a moment later, as a click shown pressed.
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(0x0414),
                                QStringLiteral("д"), Qt::AltModifier);
        });
        PressKey(Qt::Key_Space);
    });
    PressKey(Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(resultClosed, 10000);
    EXPECT_EQ(movedTo, QStringLiteral("Да"));
    ASSERT_EQ(shown.size(), 3) << shown.join('|').toStdString();
    EXPECT_TRUE(shown[1].startsWith(QStringLiteral("Процедура записи номера контроллера")));
    EXPECT_EQ(shown[2], QStringLiteral("Номер контроллера успешно установлен"));
    EXPECT_TRUE(
        Log().contains(QStringLiteral("Передана команда установки номера контроллера "
                                      "терминала...\r\nНомер контроллера успешно установлен\r\n")))
        << Log().toStdString();
    BackToTheWindow();

    // Shift+Tab back to "Разорвать соединение" and Enter: the session ends.
    ASSERT_EQ(FocusedControl(), IDC_WRITE_NUMBER);
    TabThrough({IDC_CONTROLLER_NUMBER, IDC_APPLY_PARAMETERS, IDC_HUB_GATEWAY, IDC_HUB_SUBNET_MASK,
                IDC_HUB_IP_ADDRESS, IDC_DISCONNECT},
               true);
    PressKey(Qt::Key_Return);
    EXPECT_TRUE(Log().endsWith(QStringLiteral("Подключение к хабу разорвано\r\n")));
    EXPECT_FALSE(console->session().IsSocketOpen());
    EXPECT_EQ(console->Button(IDC_WRITE_NUMBER)->text(), QStringLiteral("Нет связи"));
    EXPECT_TRUE(console->Button(IDC_CONNECT)->isEnabled());
    EXPECT_TRUE(console->isVisible());
    EXPECT_NE(FocusedControl(), 0); // the focus left the disabled button for another control
}

} // namespace
