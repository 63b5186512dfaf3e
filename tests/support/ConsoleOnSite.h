#pragma once

#include "gui/ConsoleWindow.h"
#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/common/MessageBoxScript.h"
#include "tests/support/ConsoleDriver.h"
#include "tests/support/SiteTest.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

// The real window (offscreen) in the PC's namespace of a test site, driven the way a
// technician drives it: typed addresses, clicks, answered boxes. Each suite is a
// SiteSuite<Suite, ConsoleOnSite> and calls OpenConsole from SetUp.
class ConsoleOnSite : public SiteTest {
protected:
    void OpenConsole(Shared& shared, bool debug = false) {
        Enter(shared);
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        console = std::make_unique<CConsoleWindow>(debug);
        console->show();
        EXPECT_TRUE(WaitUntilIdle(*console)); // the start-up search runs after the first paint
    }

    void TearDown() override {
        console.reset();
        undo.clear();
        SiteTest::TearDown();
    }

    QString Log() const { return console->Log()->Text(); }
    std::string LogText() const { return Log().toStdString(); }
    QString Hub(int i) const { return QString::fromStdString(site->HubAddress(i)); }
    QPushButton* Button(int id) const { return console->Button(id); }

    static bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
        return console_driver::WaitUntil(done, timeoutMs);
    }
    void TypeHubAddress(const QString& address) {
        console_driver::TypeHubAddress(*console, address);
    }

    // Types the address and presses "Установить соединение"; returns once the handler
    // has run (the connect happens on the console thread).
    void Connect(const QString& address) {
        TypeHubAddress(address);
        ASSERT_TRUE(Button(IDC_CONNECT)->isEnabled());
        QTest::mouseClick(Button(IDC_CONNECT), Qt::LeftButton);
        EXPECT_TRUE(WaitUntilIdle(*console));
    }

    bool Ready() const { return console_driver::Ready(*console); }

    // Connects and waits until the hub's first answers are shown.
    void ConnectReady(const QString& address) {
        Connect(address);
        ASSERT_TRUE(console->session().IsSocketOpen()) << LogText();
        ASSERT_TRUE(WaitUntil([this] { return Ready(); }, 5000)) << LogText();
    }

    // Double-clicks hub i's row (rows come in the order the replies arrived); returns once
    // the echo and the connect, which run off the console's thread, are done.
    void DoubleClickHub(int i) {
        ASSERT_TRUE(console_driver::DoubleClickHub(*console, Hub(i)))
            << "no single row of hub " << i << "\n"
            << LogText();
        EXPECT_TRUE(WaitUntilIdle(*console));
    }

    // Connects to hub i from the list and waits until the hub's first answers are shown.
    void ConnectTo(int i) {
        DoubleClickHub(i);
        ASSERT_TRUE(console->session().IsSocketOpen()) << LogText();
        ASSERT_TRUE(WaitUntil([this] { return Ready(); }, 5000)) << LogText();
    }

    bool Idle() const { return console_driver::Idle(*console); }

    // Every control of the session as Idle leaves it.
    void ExpectIdle() {
        EXPECT_FALSE(console->session().IsSocketOpen());
        EXPECT_FALSE(Button(IDC_DISCONNECT)->isEnabled());
        EXPECT_TRUE(Button(IDC_SEARCH_HUBS)->isEnabled());
        EXPECT_FALSE(Button(IDC_WRITE_NUMBER)->isEnabled());
        EXPECT_EQ(Button(IDC_WRITE_NUMBER)->text(), QStringLiteral("Нет связи"));
        EXPECT_FALSE(Button(IDC_APPLY_PARAMETERS)->isEnabled());
        for (int id : {IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
            EXPECT_TRUE(console->IpField(id)->IsBlank()) << id;
        }
        for (int controller = 1; controller <= 4; ++controller) {
            EXPECT_FALSE(console->LinkIndicator(controller)->isChecked()) << controller;
        }
    }

    // "Разорвать соединение": the console's own line, and Idle.
    void Disconnect() {
        QTest::mouseClick(Button(IDC_DISCONNECT), Qt::LeftButton);
        EXPECT_TRUE(Log().endsWith(QStringLiteral("Подключение к хабу разорвано\r\n")));
        ExpectIdle();
    }

    // The session is usable again: a normal hub answers, and a disconnect ends it cleanly.
    void ExpectConnectsAgain(const QString& address) {
        ConnectReady(address);
        Disconnect();
    }

    // Writes a controller number, answering questions with Yes; returns the boxes shown.
    QStringList WriteNumber(int number, int questions = 1) {
        auto* field = qobject_cast<QLineEdit*>(console->Control(IDC_CONTROLLER_NUMBER));
        field->setText(QString::number(number));
        const auto before = static_cast<qsizetype>(boxes.boxes().size());
        for (int i = 0; i < questions; ++i) {
            boxes.Answer(BoxAnswer::Yes);
        }
        QTest::mouseClick(Button(IDC_WRITE_NUMBER), Qt::LeftButton);
        EXPECT_TRUE(WaitUntilIdle(*console));
        QCoreApplication::processEvents();
        return boxes.Texts().mid(before);
    }

    QStringList BoxesSince(qsizetype first) const { return boxes.Texts().mid(first); }

    // Runs a command on the site now and its opposite when the test ends, failed or not.
    void Change(const std::vector<std::string>& doIt, const std::vector<std::string>& undoIt) {
        std::string output;
        ASSERT_EQ(RunCommand(doIt, &output), 0) << output;
        undo.emplace_back(undoIt);
    }

    // One line per recovery for the record: "[recovery] what: N ms".
    static void Record(const std::string& what, qint64 ms) {
        std::cout << "[recovery] " << what << ": " << ms << " ms" << std::endl;
        ::testing::Test::RecordProperty(what, static_cast<int>(ms));
    }

    class Undo {
    public:
        explicit Undo(std::vector<std::string> argv) : argv(std::move(argv)) {}
        ~Undo() {
            if (!argv.empty()) {
                RunCommand(argv);
            }
        }
        Undo(Undo&& other) noexcept : argv(std::move(other.argv)) { other.argv.clear(); }
        Undo(const Undo&) = delete;
        Undo& operator=(const Undo&) = delete;
        Undo& operator=(Undo&&) = delete;

    private:
        std::vector<std::string> argv;
    };

    MessageBoxScript boxes;
    std::unique_ptr<CConsoleWindow> console;
    std::vector<Undo> undo;
};
