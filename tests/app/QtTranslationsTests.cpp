// Qt's own texts in the window: the standard buttons of the real message boxes.
#include "app/QtTranslations.h"
#include "gui/MessageBoxes.h"
#include "tests/console/KeyInput.h"
#include "tests/console/RealMessageBoxes.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(QtTranslations, ConfirmationsAskDaOrNetWithNetAsTheDefault) {
    ASSERT_TRUE(InstallQtTranslations(*qApp)) << "is qt6-translations-l10n installed?";
    for (const bool pressYes : {false, true}) {
        ShownBox shown;
        WhenMessageBoxShows([&shown, pressYes](QMessageBox* box) {
            shown = Describe(box);
            // The keyboard answer: Enter takes the default, the mnemonic Д the other one.
            if (pressYes) {
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key(0x0414), QStringLiteral("д"),
                                    Qt::AltModifier); // Alt+Д
            } else {
                PressKey(Qt::Key_Return);
            }
        });
        const bool answer =
            ShowMessageBox(QtBoxRequest(Confirmation("Записать номер?"))) == BoxAnswer::Yes;
        EXPECT_EQ(answer, pressYes);
        EXPECT_EQ(shown.caption, QStringLiteral("Внимание"));
        EXPECT_EQ(shown.text, QStringLiteral("Записать номер?"));
        EXPECT_EQ(shown.icon, QMessageBox::Warning);
        EXPECT_EQ(shown.buttons, (QStringList{"Да", "Нет"}));
        EXPECT_EQ(shown.defaultButton, QStringLiteral("Нет"));
    }
}

TEST(QtTranslations, ApplicationMessagesHaveOneButtonUnderTheProgramTitle) {
    ASSERT_TRUE(InstallQtTranslations(*qApp));
    ShownBox shown;
    WhenMessageBoxShows([&shown](QMessageBox* box) {
        shown = Describe(box);
        PressKey(Qt::Key_Space); // the one button has the focus
    });
    EXPECT_EQ(ShowMessageBox(QtBoxRequest(
                  AppMessage("Сетевые адаптеры в компьютере не обнаружены", BoxIcon::Warning))),
              BoxAnswer::Ok);
    EXPECT_EQ(shown.caption, QStringLiteral("Kestrune"));
    EXPECT_EQ(shown.buttons.size(), 1);
    EXPECT_EQ(shown.focusedButton, shown.buttons.value(0));
}

TEST(QtTranslations, EditFieldMenusAreRussianToo) {
    ASSERT_TRUE(InstallQtTranslations(*qApp));
    QLineEdit field;
    field.setText(QStringLiteral("198.18.0.11"));
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions()) {
        texts << WithoutMnemonic(action->text()).section(QLatin1Char('\t'), 0, 0);
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Копировать"))) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Выделить всё"))) << texts.join('|').toStdString();
}

} // namespace
