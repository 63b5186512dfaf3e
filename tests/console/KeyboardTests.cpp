// The window and its dialogs with the keyboard alone, as a Windows dialog answers it: Tab
// and Shift+Tab through the controls in the template's order, Space or Enter on the
// focused button, Enter elsewhere for the default button, Escape to cancel.
#include "gui/SelectNetworkAdapter.h"
#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "gui/TemplateBuilder.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/console/KeyInput.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString Describe(const QWidget* widget) {
    if (widget == nullptr) {
        return QStringLiteral("nothing");
    }
    return QStringLiteral("%1 \"%2\" in %3")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(),
             widget->window()->objectName());
}

// Runs action on the dialog with this object name once it is the active window and has the
// keyboard focus, as a window has when it opens on a desktop. The action ends with the key
// that closes the dialog; a dialog still open after it is a failure and is closed here, so
// that its event loop ends and the test reports instead of hanging.
void WhenActive(const QString& objectName, std::function<void(QWidget*)> action) {
    WhenWindowShows(objectName, [objectName, action](QWidget* window) {
        const bool focused = QTest::qWaitForWindowActive(window) && QTest::qWaitFor([window] {
            return window->isAncestorOf(QApplication::focusWidget());
        });
        if (!focused) {
            ADD_FAILURE() << objectName.toStdString() << " never became active; the focus is on "
                          << Describe(QApplication::focusWidget()).toStdString();
            window->close();
            return;
        }
        QPointer<QWidget> dialog(window);
        action(window);
        if (!QTest::qWaitFor([&dialog] { return dialog.isNull() || !dialog->isVisible(); })) {
            ADD_FAILURE() << objectName.toStdString() << " stayed open; the focus is on "
                          << Describe(QApplication::focusWidget()).toStdString();
            dialog->close();
        }
    });
}

class Keyboard : public testing::Test {
protected:
    std::unique_ptr<CConsoleWindow> Open(int adapterEntries) {
        auto console = std::make_unique<CConsoleWindow>(
            false, nullptr, ConsoleServices{AdaptersWithEntries(adapterEntries)});
        console->show();
        EXPECT_TRUE(WaitUntilIdle(*console)); // the start-up search runs after the first paint
        console->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(console.get()));
        return console;
    }

    MessageBoxScript boxes;
};

TEST_F(Keyboard, TabVisitsTheEnabledControlsInTheTemplatesOrder) {
    auto console = Open(1);
    // The first control that takes the focus has it when the window opens.
    EXPECT_EQ(FocusedControl(), IDC_HUB_LIST);
    // 112 and 113 and the link indicators are never enabled; 102, 103, 101, 118 not before
    // a hub is chosen or connected, 114 not with one adapter entry.
    const QList<int> chain{
        IDC_HUB_LIST,        IDC_CONNECT_ADDRESS, IDC_PHYSICAL_ADDRESS,  IDC_HUB_IP_ADDRESS,
        IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY,     IDC_CONTROLLER_NUMBER, IDC_LOG,
        IDC_ABOUT_ADAPTERS,  IDC_SEARCH_HUBS,     IDC_CLEAR_LOG,         IDCANCEL};
    QList<int> forward;
    for (qsizetype i = 0; i < chain.size(); ++i) {
        PressKey(Qt::Key_Tab);
        forward << FocusedControl();
    }
    EXPECT_EQ(forward, chain.mid(1) + chain.mid(0, 1));

    QList<int> back;
    for (qsizetype i = 0; i < chain.size(); ++i) {
        PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        back << FocusedControl();
    }
    QList<int> reversed(chain.rbegin(), chain.rend());
    EXPECT_EQ(back, reversed);
}

TEST_F(Keyboard, SpaceAndEnterPressTheFocusedButtonEscapeCancels) {
    auto console = Open(1);
    while (FocusedControl() != IDC_CLEAR_LOG && FocusedControl() != 0) {
        PressKey(Qt::Key_Tab);
    }
    PressKey(Qt::Key_Space);
    EXPECT_EQ(console->Log()->Text(), QString());
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(FocusedControl(), IDC_ABOUT_ADAPTERS);
    PressKey(Qt::Key_Return);
    EXPECT_TRUE(console->Log()->Text().contains(QStringLiteral("Сведения о сетевых адаптерах")));
    EXPECT_TRUE(console->isVisible());
    PressKey(Qt::Key_Escape);
    EXPECT_FALSE(console->isVisible());
    EXPECT_EQ(console->result(), QDialog::Rejected);
}

TEST_F(Keyboard, AdapterIsChosenWithArrowsAndEnterOrRefusedWithEscape) {
    int rowChosen = -1;
    WhenActive(QStringLiteral("selectAdapterDialog"), [&rowChosen](QWidget* dialog) {
        QTreeWidget* list = qobject_cast<CSelectNetworkAdapter*>(dialog)->AdapterListView();
        EXPECT_EQ(QApplication::focusWidget(), list);
        // No row is selected when the dialog opens: the first arrow key takes the first
        // row, as in a Windows list.
        PressKey(Qt::Key_Down);
        ASSERT_EQ(list->selectedItems().size(), 1);
        EXPECT_EQ(list->indexOfTopLevelItem(list->selectedItems().first()), 0);
        PressKey(Qt::Key_End);
        PressKey(Qt::Key_Up);
        ASSERT_EQ(list->selectedItems().size(), 1);
        rowChosen = list->indexOfTopLevelItem(list->selectedItems().first());
        PressKey(Qt::Key_Return); // the default button, "ОК"
    });
    auto console = Open(3);
    EXPECT_EQ(rowChosen, 1);
    EXPECT_EQ(console->adapterList().chosenIndex, 1);
    EXPECT_EQ(console->IpField(IDC_ADAPTER_ADDRESS)->Text(), QStringLiteral("198.18.1.1"));

    // "Выбор сетевого адаптера" from the keyboard, and Escape in the dialog.
    bool shown = false;
    WhenActive(QStringLiteral("selectAdapterDialog"), [&shown](QWidget*) {
        shown = true;
        PressKey(Qt::Key_Down);
        PressKey(Qt::Key_Escape);
    });
    while (FocusedControl() != IDC_SELECT_ADAPTER && FocusedControl() != 0) {
        PressKey(Qt::Key_Tab);
    }
    PressKey(Qt::Key_Space);
    EXPECT_TRUE(shown);
    EXPECT_EQ(console->adapterList().chosenIndex, 0); // a cancelled choice takes the first entry
    EXPECT_TRUE(console->isVisible());
}

TEST_F(Keyboard, AboutBoxOpensOnF1AndClosesWithEnterSpaceOrEscape) {
    auto console = Open(1);
    for (const Qt::Key closing : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape}) {
        QString focused;
        WhenActive(QStringLiteral("aboutDialog"), [&focused, closing](QWidget*) {
            auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
            focused = button ? button->text() : QString();
            PressKey(closing);
        });
        // Back from the last box: a desktop's window manager activates the window below;
        // the offscreen platform has none, so the test does.
        console->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(console.get()));
        PressKey(Qt::Key_F1);
        EXPECT_EQ(focused, QStringLiteral("OK")) << closing;
        EXPECT_TRUE(console->isVisible()) << closing;
    }
}

} // namespace
