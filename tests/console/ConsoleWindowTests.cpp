#include "gui/EventLog.h"
#include "gui/FileDialogs.h"
#include "gui/IpAddressEdit.h"
#include "gui/ConsoleWindow.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/adapters/FakeAdapterSource.h"
#include "tests/common/MessageBoxScript.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class ConsoleWindowTest : public testing::Test {
protected:
    void SetUp() override {
        console.show();
        EXPECT_TRUE(WaitUntilIdle(console)); // the start-up search runs after the first paint
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&console));
    }

    QLineEdit* NumberField() const {
        return qobject_cast<QLineEdit*>(console.Control(IDC_CONTROLLER_NUMBER));
    }

    void PressEnterIn(QWidget* widget) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);
    }

    // No adapter entries: the window's own state, without a search.
    MessageBoxScript boxes;
    std::shared_ptr<FakeAdapterSource> adapters = std::make_shared<FakeAdapterSource>();
    CConsoleWindow console{false, nullptr, ConsoleServices{adapters}};
};

struct ButtonState {
    int id;
    const char16_t* caption;
    bool enabled;
};

TEST_F(ConsoleWindowTest, ButtonsStartAsTheTemplateGivesThem) {
    const ButtonState expected[] = {
        {IDC_APPLY_PARAMETERS, u"Применить", false},
        {IDC_CONNECT, u"Установить соединение", false},
        {IDC_DISCONNECT, u"Разорвать соединение", false},
        {IDC_SEARCH_HUBS, u"Поиск хабов", true},
        {IDC_SELECT_ADAPTER, u"Выбор сетевого адаптера", false}, // no adapter entries
        {IDC_CLEAR_LOG, u"Очистить журнал", true},
        {IDC_ABOUT_ADAPTERS, u"Об адаптерах", true},
        {IDC_WRITE_NUMBER, u"Нет связи", false},
        {IDCANCEL, u"Закончить", true},
    };
    for (const ButtonState& state : expected) {
        QPushButton* button = console.Button(state.id);
        ASSERT_NE(button, nullptr) << state.id;
        EXPECT_EQ(button->text(), QString::fromUtf16(state.caption)) << state.id;
        EXPECT_EQ(button->isEnabled(), state.enabled) << state.id;
    }
}

TEST_F(ConsoleWindowTest, FieldsAndIndicatorsStartEmptyAndInTheirState) {
    for (int id : {IDC_ADAPTER_ADDRESS, IDC_ADAPTER_MASK}) {
        EXPECT_FALSE(console.IpField(id)->isEnabled()) << id;
        EXPECT_TRUE(console.IpField(id)->IsBlank()) << id;
    }
    for (int id : {IDC_CONNECT_ADDRESS, IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
        EXPECT_TRUE(console.IpField(id)->isEnabled()) << id;
        EXPECT_TRUE(console.IpField(id)->IsBlank()) << id;
    }
    auto* physical = qobject_cast<QLineEdit*>(console.Control(IDC_PHYSICAL_ADDRESS));
    EXPECT_TRUE(physical->isReadOnly());
    EXPECT_TRUE(physical->text().isEmpty());
    EXPECT_EQ(NumberField()->text(), QStringLiteral("1"));
    for (int controller = 1; controller <= 4; ++controller) {
        QRadioButton* indicator = console.LinkIndicator(controller);
        EXPECT_EQ(indicator->text(), QStringLiteral("Контроллер %1").arg(controller));
        EXPECT_FALSE(indicator->isEnabled());
        EXPECT_FALSE(indicator->isChecked());
    }
    EXPECT_EQ(console.windowTitle(), QStringLiteral("Конфигурирование IP хабов «Тамрил» 3.15"));
}

TEST_F(ConsoleWindowTest, HubListHasItsFourColumnsAndNoRows) {
    QTreeWidget* list = console.HubListView();
    ASSERT_EQ(list->columnCount(), 4);
    const QStringList captions{"IP адрес", "Сетевое имя", "Физический адрес",
                               "Модель, редакция прошивки"};
    // The address column is never narrower than its 100 pixels, and wider where the font
    // needs it to show the longest address whole (the layout tests check that it does).
    const int widths[] = {100, 150, 200, 400};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list->headerItem()->text(i), captions[i]);
        if (i == 0) {
            EXPECT_GE(list->columnWidth(i), widths[i]);
        } else {
            EXPECT_EQ(list->columnWidth(i), widths[i]);
        }
    }
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST_F(ConsoleWindowTest, LogStartsWithTheTitleLineAndClears) {
    EXPECT_EQ(boxes.Texts(), QStringList{"Сетевые адаптеры в компьютере не обнаружены"});
    EXPECT_EQ(console.Log()->Text(),
              QString::fromUtf16(u"КонФигУрирование IP хабов «Тамрил». Редакция 3.15\r\n"));
    QTest::mouseClick(console.Button(IDC_CLEAR_LOG), Qt::LeftButton);
    EXPECT_EQ(console.Log()->Text(), QString());
    console.AppendToLog("Строка\r\n");
    EXPECT_EQ(console.Log()->Text(), QStringLiteral("Строка\r\n"));
}

TEST_F(ConsoleWindowTest, WindowKeepsTheTemplateSizeAndCaptionsFit) {
    EXPECT_EQ(console.minimumSize(), console.maximumSize());
    EXPECT_FALSE(console.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(console.windowFlags() & Qt::WindowMaximizeButtonHint);
    const QRect window = console.rect();
    for (QWidget* child : console.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(window.contains(child->geometry())) << child->accessibleName().toStdString();
        QString caption;
        int room = child->width();
        if (auto* label = qobject_cast<QLabel*>(child)) {
            caption = label->text();
        } else if (auto* button = qobject_cast<QPushButton*>(child)) {
            caption = button->text();
            room -= 6; // the button's frame
        } else if (auto* radio = qobject_cast<QRadioButton*>(child)) {
            caption = radio->text();
            room -= radio->iconSize().width() + 8; // the indicator beside the text
        }
        if (!caption.isEmpty()) {
            EXPECT_LE(child->fontMetrics().horizontalAdvance(caption), room)
                << "clipped: " << caption.toStdString();
        }
    }
}

TEST_F(ConsoleWindowTest, ControlsDoNotOverlapOutsideTheirGroupBoxes) {
    QList<QWidget*> controls;
    for (QWidget* child : console.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!qobject_cast<QGroupBox*>(child)) {
            controls << child;
        }
    }
    for (int i = 0; i < controls.size(); ++i) {
        for (int j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " / "
                << controls[j]->objectName().toStdString();
        }
    }
}

TEST_F(ConsoleWindowTest, EveryControlHasAnAccessibleName) {
    const QPair<int, const char16_t*> expected[] = {
        {IDC_CONNECT_ADDRESS, u"IP адрес хаба:"},
        {IDC_ADAPTER_ADDRESS, u"Адрес сетевого адаптера:"},
        {IDC_ADAPTER_MASK, u"Маска подсети адаптера:"},
        {IDC_PHYSICAL_ADDRESS, u"Физический адрес:"},
        {IDC_HUB_IP_ADDRESS, u"IP адрес:"},
        {IDC_HUB_SUBNET_MASK, u"Маска подсети:"},
        {IDC_HUB_GATEWAY, u"Основной шлюз:"},
        {IDC_CONTROLLER_NUMBER, u"Адресный номер контроллера (ID)"},
        {IDC_HUB_LIST, u"Список обнаруженных хабов"},
        {IDC_CONNECT, u"Установить соединение"},
        {IDC_LINK_3, u"Контроллер 3"},
    };
    for (const auto& [id, name] : expected) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(console.Control(id));
        ASSERT_NE(accessible, nullptr) << id;
        EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromUtf16(name)) << id;
    }
    for (QWidget* child : console.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!qobject_cast<QLabel*>(child)) {
            EXPECT_FALSE(
                QAccessible::queryAccessibleInterface(child)->text(QAccessible::Name).isEmpty())
                << child->objectName().toStdString();
        }
    }
    QAccessibleInterface* log = QAccessible::queryAccessibleInterface(console.Log());
    EXPECT_TRUE(log->text(QAccessible::Value).contains(QStringLiteral("Редакция 3.15")) ||
                log->textInterface() != nullptr);
}

TEST_F(ConsoleWindowTest, AControlIsAnnouncedByTheCaptionItShowsNow) {
    const auto name = [](QWidget* control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    QPushButton* write = console.Button(IDC_WRITE_NUMBER);
    EXPECT_EQ(name(write), QStringLiteral("Нет связи"));
    // The hub's first status: the console puts the button on as "Записать".
    console.EnableControl(IDC_WRITE_NUMBER, true);
    console.SetControlText(IDC_WRITE_NUMBER, "Записать");
    ASSERT_EQ(write->text(), QStringLiteral("Записать"));
    EXPECT_EQ(name(write), QStringLiteral("Записать"));
    // Whatever caption a button, radio button or group box is given at run time.
    for (QWidget* child : console.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (auto* button = qobject_cast<QAbstractButton*>(child)) {
            button->setText(QStringLiteral("Новая &подпись"));
            EXPECT_EQ(name(button), QStringLiteral("Новая подпись")) << child->objectName().toStdString();
        } else if (auto* group = qobject_cast<QGroupBox*>(child)) {
            group->setTitle(QStringLiteral("Новая группа"));
            EXPECT_EQ(name(group), QStringLiteral("Новая группа")) << child->objectName().toStdString();
        }
    }
}

TEST_F(ConsoleWindowTest, EnterWithANumberClosesTheWindow) {
    NumberField()->setText(QStringLiteral("3"));
    PressEnterIn(NumberField());
    EXPECT_EQ(boxes.boxes().size(), 1u); // only the start-up's "no adapters"
    EXPECT_FALSE(console.isVisible());
    EXPECT_EQ(console.result(), QDialog::Accepted);
    EXPECT_EQ(console.Console().controllerNumber(), 3u);
}

TEST_F(ConsoleWindowTest, EnterWithoutANumberKeepsTheWindowAndTheOldValue) {
    for (const char* text : {"", "12a", "4294967296", "99999999999999999999"}) {
        NumberField()->setText(QString::fromLatin1(text));
        PressEnterIn(NumberField());
        EXPECT_TRUE(console.isVisible()) << text;
        EXPECT_EQ(console.Console().controllerNumber(), 1u) << text;
        EXPECT_EQ(NumberField(), QApplication::focusWidget()) << text;
    }
    EXPECT_EQ(boxes.Texts().mid(1), QStringList(4, QStringLiteral("Enter a positive integer.")));
    NumberField()->setText(QStringLiteral("4294967295"));
    PressEnterIn(console.IpField(IDC_CONNECT_ADDRESS)->Field(0));
    EXPECT_FALSE(console.isVisible());
    EXPECT_EQ(console.Console().controllerNumber(), 4294967295u);
}

TEST_F(ConsoleWindowTest, EnterOnAFocusedButtonPressesIt) {
    PressEnterIn(console.Button(IDC_CLEAR_LOG));
    EXPECT_TRUE(console.isVisible());
    EXPECT_EQ(console.Log()->Text(), QString());
}

TEST_F(ConsoleWindowTest, EscapeAndFinishClose) {
    QTest::keyClick(&console, Qt::Key_Escape);
    EXPECT_FALSE(console.isVisible());
    EXPECT_EQ(console.result(), QDialog::Rejected);

    CConsoleWindow second(false, nullptr, ConsoleServices{adapters});
    second.show();
    QTest::mouseClick(second.Button(IDCANCEL), Qt::LeftButton);
    EXPECT_FALSE(second.isVisible());
    EXPECT_EQ(second.result(), QDialog::Rejected);
}

// Answers the About box as soon as it is up; records what it showed.
struct AboutBoxWatcher {
    QString caption;
    QString text;
    QString button;

    void ArmOnce() {
        QTimer::singleShot(0, [this] {
            QDialog* about = nullptr;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("aboutDialog") && top->isVisible()) {
                    about = qobject_cast<QDialog*>(top);
                }
            }
            if (!about) {
                ArmOnce();
                return;
            }
            caption = about->windowTitle();
            for (QLabel* label : about->findChildren<QLabel*>()) {
                text += label->text();
            }
            auto* ok = about->findChild<QPushButton*>();
            button = ok->text();
            QTest::mouseClick(ok, Qt::LeftButton);
        });
    }
};

TEST_F(ConsoleWindowTest, AboutBoxFromTheWindowMenuAndF1) {
    AboutBoxWatcher watcher;
    QTimer::singleShot(0, [&watcher] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        const auto actions = menu->actions();
        ASSERT_EQ(actions.size(), 4);
        EXPECT_EQ(actions[0]->text(), QStringLiteral("Сохранить журнал..."));
        EXPECT_EQ(actions[1]->text(), QStringLiteral("Сохранить список хабов..."));
        EXPECT_TRUE(actions[2]->isSeparator());
        EXPECT_EQ(actions[3]->text(), QStringLiteral("&О программе Kestrune..."));
        watcher.ArmOnce();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(actions[3]).center());
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), console.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&console, &event);
    EXPECT_EQ(watcher.caption, QStringLiteral("О программе"));
    EXPECT_EQ(watcher.text, QStringLiteral("Конфигурирование IP хабов «Тамрил».\nПрограммирование "
                                           "номеров контроллеров\nРедакция 3.15"));
    EXPECT_EQ(watcher.button, QStringLiteral("OK"));

    AboutBoxWatcher viaF1;
    viaF1.ArmOnce();
    QTest::keyClick(&console, Qt::Key_F1);
    EXPECT_EQ(viaF1.caption, QStringLiteral("О программе"));
    EXPECT_TRUE(console.isVisible());
}

TEST_F(ConsoleWindowTest, TheLogSavesOnCtrlSAndTheHubListFromTheWindowMenu) {
    QTemporaryDir folder;
    QStringList dialogs;
    SetSaveFileDialogHandler([&](const SaveFileDialogRequest& request) {
        dialogs << request.caption + QLatin1Char('|') + request.filter;
        return std::optional<QString>(folder.filePath(request.suggestedName));
    });
    const auto readSaved = [&folder](const QString& pattern) {
        const QStringList names = QDir(folder.path()).entryList({pattern});
        if (names.size() != 1)
            return QByteArray("no single " + pattern.toUtf8());
        QFile file(folder.filePath(names[0]));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
    };

    console.AppendToLog("Строка журнала\r\n");
    console.activateWindow();
    QTest::keyClick(&console, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(readSaved(QStringLiteral("kestrune-log-*.txt")), console.Log()->Text().toUtf8());

    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[1]).center());
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), console.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&console, &event);
    EXPECT_TRUE(readSaved(QStringLiteral("kestrune-hubs-*.csv")).startsWith("\xEF\xBB\xBFIP адрес,"));
    EXPECT_EQ(dialogs, (QStringList{"Сохранить журнал|Текстовые файлы (*.txt)",
                                    "Сохранить список хабов|Таблицы CSV (*.csv)"}));
    SetSaveFileDialogHandler({});
}

TEST_F(ConsoleWindowTest, OnlyMenuCommands16To31OpenTheAboutBox) {
    AboutBoxWatcher watcher;
    watcher.ArmOnce();
    console.ShowAbout(31);
    EXPECT_EQ(watcher.caption, QStringLiteral("О программе"));
    console.ShowAbout(32); // another command: no box, nothing to answer
    console.ShowAbout(0xF060);
    EXPECT_TRUE(console.isVisible());
}

} // namespace
