// The console's hub session end to end: the real window (offscreen) in the PC's
// namespace of a test site, against simulated hubs.
#include "tests/support/ConsoleOnSite.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

class ConsoleSession : public SiteSuite<ConsoleSession, ConsoleOnSite> {
public:
    static TestSiteOptions SiteOptions() {
        return {.prefix = "ke",
                .subnet = 40,
                .hubs = 2,
                .perHubArgs = {{2, "--firmware 0.98 --controller 2 present --jumper 2 on"}}};
    }

protected:
    void SetUp() override { OpenConsole(SuiteShared(), debug); }

    // Writes a controller number with both questions answered Yes; returns the boxes.
    QStringList WriteNumber(int number) { return ConsoleOnSite::WriteNumber(number, 2); }

    bool debug = false;
};

TEST_F(ConsoleSession, FindsTheHubsConnectsAndShowsWhatTheHubSays) {
    QTreeWidget* list = console->HubListView();
    ASSERT_EQ(list->topLevelItemCount(), 2) << Log().toStdString();
    EXPECT_EQ(list->findItems(Hub(1), Qt::MatchExactly, 0).value(0)->text(3),
              QStringLiteral("IPH-4 2.05"));
    EXPECT_TRUE(Log().contains(QStringLiteral("Обнаружен хаб: \"IPH-4 2.05\", %1, 02-00-5E-12-28-0B\r\n")
                                   .arg(Hub(1))));

    ConnectTo(1);
    EXPECT_TRUE(Log().contains(QStringLiteral("Подключение к хабу %1 успешно произведено\r\n"
                                              "Физический адрес хаба: 02-00-5E-12-28-0B\r\n")
                                   .arg(Hub(1))))
        << Log().toStdString();
    EXPECT_EQ(qobject_cast<QLineEdit*>(console->Control(IDC_PHYSICAL_ADDRESS))->text(),
              QStringLiteral("02-00-5E-12-28-0B"));
    EXPECT_EQ(console->IpField(IDC_HUB_IP_ADDRESS)->Text(), Hub(1));
    EXPECT_EQ(console->IpField(IDC_HUB_SUBNET_MASK)->Text(), QStringLiteral("255.255.255.0"));
    EXPECT_TRUE(console->Button(IDC_APPLY_PARAMETERS)->isEnabled());
    EXPECT_TRUE(console->LinkIndicator(1)->isChecked());
    EXPECT_FALSE(console->LinkIndicator(2)->isChecked());
    EXPECT_FALSE(console->Button(IDC_CONNECT)->isEnabled());
    EXPECT_FALSE(console->Button(IDC_SEARCH_HUBS)->isEnabled());

    // A link that comes up is shown as it happens.
    Tell(1, "controller 3 present");
    Tell(1, "link 3 up");
    QTRY_VERIFY_WITH_TIMEOUT(console->LinkIndicator(3)->isChecked(), 5000);

    QTest::mouseClick(console->Button(IDC_DISCONNECT), Qt::LeftButton);
    EXPECT_TRUE(Log().endsWith(QStringLiteral("Подключение к хабу разорвано\r\n")));
    ExpectIdle();
    EXPECT_TRUE(console->Button(IDC_CONNECT)->isEnabled()); // the row is still selected
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.Texts().join('|').toStdString();
}

TEST_F(ConsoleSession, TheHubClosingTheConnectionReturnsTheConsoleToIdle) {
    ConnectTo(1);
    EXPECT_EQ(site->Control(1, "close").rfind("ok", 0), 0u);
    QTRY_VERIFY_WITH_TIMEOUT(!console->session().IsSocketOpen(), 5000);
    EXPECT_TRUE(Log().endsWith(
        QStringLiteral("Подключение разорвано\r\nПодключение к хабу разорвано\r\n")))
        << Log().toStdString();
    ExpectIdle();
    ConnectTo(1); // and the hub can be reached again
}

TEST_F(ConsoleSession, ADropStillQueuedFromAnEndedSessionLeavesTheNewOneOpen) {
    ConnectTo(1);
    EXPECT_EQ(site->Control(1, "close").rfind("ok", 0), 0u);
    // The watcher posts the drop; the console thread is busy and does not see it yet.
    for (int waited = 0; console->session().State() != SocketState::Ended && waited < 5000;
         waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(console->session().State(), SocketState::Ended);
    console->Console().DisconnectFromHub();
    console->Console().ConnectToHub();
    // The connect runs off the console's thread; the old session's drop is delivered
    // meanwhile or after, and is dropped as the report of an ended connection.
    ASSERT_TRUE(WaitUntilIdle(*console));
    ASSERT_TRUE(console->session().IsSocketOpen()) << Log().toStdString();
    QCoreApplication::processEvents();
    EXPECT_TRUE(console->session().IsSocketOpen()) << Log().toStdString();
    EXPECT_TRUE(console->Button(IDC_DISCONNECT)->isEnabled());
}

TEST_F(ConsoleSession, ARefusedOrSilentHubGivesTheConnectError) {
    Tell(2, "fault refuse on");
    DoubleClickHub(2);
    const QString error = QStringLiteral("Ошибка подключения к хабу %1 \r\n").arg(Hub(2));
    EXPECT_TRUE(Log().endsWith(error)) << Log().toStdString();
    EXPECT_EQ(boxes.Texts(), QStringList{error});
    EXPECT_EQ(boxes.boxes().back().icon, BoxIcon::Error);
    EXPECT_FALSE(console->session().IsSocketOpen());

    Tell(2, "fault refuse off");
    Tell(2, "fault no-echo on");
    QElapsedTimer timer;
    timer.start();
    DoubleClickHub(2);
    EXPECT_GE(timer.elapsed(), 900);
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(boxes.Texts().size(), 2);
    EXPECT_FALSE(console->session().IsSocketOpen());
    Tell(2, "fault no-echo off");
}

TEST_F(ConsoleSession, ProgramsAControllerNumberWithEveryOutcome) {
    ConnectTo(2);
    // Hub 2's firmware text "IPH-4 0.98": the firmware question first, then the jumper's.
    QElapsedTimer answered;
    answered.start();
    QStringList shown = WriteNumber(3);
    // The result ends the wait the moment it is in, not at a 100 ms tick.
    EXPECT_LT(answered.elapsed(), 90);
    ASSERT_EQ(shown.size(), 3) << shown.join('|').toStdString();
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Вероятно прошивка выбранного хаба")));
    EXPECT_TRUE(shown[1].startsWith(QStringLiteral("Процедура записи номера контроллера")));
    EXPECT_EQ(shown[2], QStringLiteral("Номер контроллера успешно установлен"));
    EXPECT_TRUE(Log().contains(QStringLiteral("Передана команда установки номера контроллера терминала...\r\n"
                                              "Номер контроллера успешно установлен\r\n")));
    EXPECT_EQ(site->Control(2, "status").find("ok"), 0u);

    // A number on link is refused before anything is asked.
    shown = WriteNumber(1);
    EXPECT_EQ(shown, QStringList{"Запись номера контроллера невозможна из-за дублирования номера "
                                 "контроллеров. Контроллер с номером 1 существует в этом хабе и "
                                 "находится на связи..."});
    EXPECT_EQ(WriteNumber(5), QStringList{"Недопустимый адресный номер контроллера. Может быть 1...4"});

    Tell(2, "result 1");
    EXPECT_EQ(WriteNumber(4).last(),
              QStringLiteral("Ошибка 1 при записи номера контроллера: запись закончилась неудачно"));
    Tell(2, "result 2");
    EXPECT_EQ(WriteNumber(4).last(), QStringLiteral("Ошибка 2 при записи номера контроллера: не "
                                                    "обнаружен контроллер с установленной перемычкой"));
    Tell(2, "result 9");
    EXPECT_EQ(WriteNumber(4).last(),
              QStringLiteral("Ошибка 9 при записи номера контроллера: неизвестный код ошибки"));
    Tell(2, "result auto");
    Tell(2, "fault wrong-number on");
    EXPECT_EQ(WriteNumber(4).last(),
              QStringLiteral("Возвращен неверный номер 1 контроллера после записи"));
    Tell(2, "fault wrong-number off");

    Tell(2, "fault no-answer on");
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(WriteNumber(4).last(),
              QStringLiteral("Ответ от хаба о результатах установки номера контроллера не получен.  "
                             "Повторите попытку или вызовите специалиста..."));
    EXPECT_GE(timer.elapsed(), 4900);
    Tell(2, "fault no-answer off");
}

TEST_F(ConsoleSession, NewIpParametersMoveTheHubAndEndTheSession) {
    ConnectTo(1);
    // Nothing edited: nothing to write.
    QTest::mouseClick(console->Button(IDC_APPLY_PARAMETERS), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    EXPECT_EQ(boxes.Texts(), QStringList{"Запись не требуется, ибо параметры не изменились..."});

    console_driver::TypeLastPart(*console, IDC_HUB_IP_ADDRESS, QStringLiteral("99"));
    EXPECT_TRUE(console->Console().parametersChanged);
    QTest::mouseClick(console->Button(IDC_APPLY_PARAMETERS), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    // The hub may close its end during the pause (its network restarts): the watcher's
    // line then follows the lines of the console's step.
    const QRegularExpression ending(QStringLiteral(
        "Установка IP параметров хаба произведена\\. Подключение необходимо разорвать\\.\\.\\.\r\n"
        "Подключение к хабу разорвано\r\n(Подключение разорвано\r\n)?$"));
    EXPECT_TRUE(ending.match(Log()).hasMatch()) << Log().toStdString();
    ExpectIdle();

    const QString moved = QStringLiteral("198.18.40.99");
    QTRY_VERIFY_WITH_TIMEOUT(
        QString::fromStdString(site->Control(1, "status")).contains(QStringLiteral("ip=") + moved), 5000);
    QTest::mouseClick(console->Button(IDC_SEARCH_HUBS), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    EXPECT_THAT(console->hubList().hubAddresses, testing::Contains(moved.toStdString()));
}

class ConsoleSessionDebug : public ConsoleSession {
protected:
    ConsoleSessionDebug() { debug = true; }
};

TEST_F(ConsoleSessionDebug, DumpsTheTrafficBothWays) {
    ConnectTo(2);
    const QRegularExpression received(QStringLiteral("<<(?:[0-9A-F]{2} ){32}\r\n"));
    QTRY_VERIFY_WITH_TIMEOUT(received.match(Log()).hasMatch(), 5000);
    // The hub answers at once; its dumps follow the lines of the console's step.
    EXPECT_TRUE(Log().contains(QStringLiteral("Подключение к хабу %1 успешно произведено\r\n"
                                              "Физический адрес хаба: ").arg(Hub(2))))
        << Log().toStdString();
    WriteNumber(3);
    const QRegularExpression written(QStringLiteral(
        "\r\n\r\n>>00 00 00 82 03 (?:[0-9A-F]{2} ){27}\r\n"
        "Передана команда установки номера контроллера терминала\\.\\.\\.\r\n"));
    EXPECT_TRUE(written.match(Log()).hasMatch()) << Log().toStdString();
}

} // namespace
