// The three dialogs as a person sees them, with the fonts Debian's desktops give Qt
// programs. CTest runs this binary twice: at 100 % and at 200 % (QT_SCALE_FACTOR=2).
#include "gui/SelectNetworkAdapter.h"
#include "gui/DialogUnits.h"
#include "gui/ConsoleWindow.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/console/LayoutChecks.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <cmath>
#include <optional>

namespace {

struct DesktopFont {
    const char* desktop;
    const char* family; // nullptr: Qt's own default here
    int pointSize;
};

void PrintTo(const DesktopFont& font, std::ostream* out) {
    *out << font.desktop;
}

// GNOME hands Qt programs Cantarell 11 (through Qt's GTK theme), Plasma Noto Sans 10;
// Xfce, MATE and Qt without a desktop theme ask for "Sans" at 10 or 9 points, which is
// DejaVu Sans on Debian.
const DesktopFont kDesktopFonts[] = {
    {"Qt default", nullptr, 0},  {"GNOME", "Cantarell", 11},          {"Plasma", "Noto Sans", 10},
    {"Xfce", "DejaVu Sans", 10}, {"QtGenericUnix", "DejaVu Sans", 9},
};

std::string Lines(const QStringList& lines) {
    return lines.join(QLatin1Char('\n')).toStdString();
}

// The texts of this row that the list would cut short (with "…") in their columns, or
// whose column's caption would be: what fitting the column to its contents would widen.
// A cut address is a wrong address, so the widest ones must show whole.
QStringList CutTexts(QTreeWidget* list, const QStringList& row) {
    auto* item = new QTreeWidgetItem(list, row);
    QStringList cut;
    for (int column = 0; column < row.size(); ++column) {
        const int width = list->columnWidth(column);
        list->resizeColumnToContents(column);
        if (list->columnWidth(column) > width) {
            cut << row[column];
        }
        list->setColumnWidth(column, width);
    }
    delete item;
    return cut;
}

qreal ScaleAskedFor() {
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    return factor.isEmpty() ? 1.0 : factor.toDouble();
}

class WindowLayout : public testing::TestWithParam<DesktopFont> {
protected:
    void SetUp() override {
        saved = QApplication::font();
        const DesktopFont& font = GetParam();
        if (font.family != nullptr) {
            const QFont wanted(QString::fromLatin1(font.family), font.pointSize);
            if (QFontInfo(wanted).family() != wanted.family()) {
                GTEST_SKIP() << font.family
                             << " is not installed (scripts/install-deps.sh "
                                "installs the desktops' fonts)";
            }
            QApplication::setFont(wanted);
        }
    }

    void TearDown() override { QApplication::setFont(saved); }

    // The console, shown, with as many adapter entries as asked (two or more bring up the
    // selection dialog first, which onSelection sees and closes).
    std::unique_ptr<CConsoleWindow> OpenConsole(int adapterEntries) {
        auto console = std::make_unique<CConsoleWindow>(
            false, nullptr, ConsoleServices{AdaptersWithEntries(adapterEntries)});
        console->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(console.get()));
        EXPECT_DOUBLE_EQ(console->devicePixelRatio(), ScaleAskedFor());
        return console;
    }

    MessageBoxScript boxes;
    QFont saved;
};

// The window, its title bar and frame (as much as FontThatFits allows for them) inside the
// part of its screen that panels leave free.
bool FitsItsScreen(const QWidget* window) {
    const QSize room = window->screen()->availableGeometry().size();
    return window->width() + 16 <= room.width() && window->height() + 48 <= room.height();
}

TEST_P(WindowLayout, ConsoleShowsEveryCaptionWholeAndNothingOverlaps) {
    auto console = OpenConsole(1);
    EXPECT_EQ(console->font().family(), QApplication::font().family());
    EXPECT_TRUE(FitsItsScreen(console.get()))
        << console->width() << " x " << console->height() << " at "
        << console->font().pointSizeF() << " points";
    EXPECT_EQ(LayoutFaults(console.get()), QStringList()) << Lines(LayoutFaults(console.get()));
    // Button 118 changes its caption with the session's state.
    QPushButton* write = console->Button(IDC_WRITE_NUMBER);
    for (const char16_t* caption : {u"Ждите...", u"Записать"}) {
        write->setText(QString::fromUtf16(caption));
        EXPECT_EQ(LayoutFaults(console.get()), QStringList()) << Lines(LayoutFaults(console.get()));
    }
    EXPECT_EQ(CutTexts(console->HubListView(), {"255.255.255.255", "", "00-1F-2E-3D-4C-5B"}),
              QStringList());
}

TEST_P(WindowLayout, AdapterSelectionDialogShowsEveryCaptionWhole) {
    std::optional<QStringList> faults;
    WhenWindowShows(QStringLiteral("selectAdapterDialog"), [&faults](QWidget* dialog) {
        EXPECT_DOUBLE_EQ(dialog->devicePixelRatio(), ScaleAskedFor());
        faults = LayoutFaults(dialog);
        *faults << CutTexts(qobject_cast<CSelectNetworkAdapter*>(dialog)->AdapterListView(),
                            {"enp0s31f6", "255.255.255.255"});
        qobject_cast<QDialog*>(dialog)->reject();
    });
    auto console = OpenConsole(3);
    ASSERT_TRUE(faults.has_value()) << "the selection dialog did not show";
    EXPECT_EQ(*faults, QStringList()) << Lines(*faults);
}

TEST_P(WindowLayout, AboutBoxShowsEveryCaptionWhole) {
    auto console = OpenConsole(0);
    std::optional<QStringList> faults;
    WhenWindowShows(QStringLiteral("aboutDialog"), [&faults](QWidget* dialog) {
        faults = LayoutFaults(dialog);
        auto* icon = dialog->findChild<QLabel*>();
        ASSERT_NE(icon, nullptr);
        qobject_cast<QDialog*>(dialog)->accept();
    });
    console->ShowAbout(kAboutCommandId);
    ASSERT_TRUE(faults.has_value()) << "the About box did not show";
    EXPECT_EQ(*faults, QStringList()) << Lines(*faults);
}

TEST(FontThatFits, KeepsAFontThatFitsAndShrinksOneThatDoesNotByHalfPoints) {
    const QFont desktop(QStringLiteral("DejaVu Sans"), 11);
    const QSize layout(437, 350);
    const QSize wide(1920, 1080);
    EXPECT_EQ(FontThatFits(desktop, layout, wide), desktop);

    const QSize laptop(1366, 736);
    const QFont fitted = FontThatFits(desktop, layout, laptop);
    ASSERT_LT(fitted.pointSizeF(), desktop.pointSizeF());
    EXPECT_EQ(fitted.family(), desktop.family());
    EXPECT_EQ(std::fmod(fitted.pointSizeF(), 0.5), 0.0);
    const auto window = [&](qreal points) {
        QFont font = desktop;
        font.setPointSizeF(points);
        return DialogUnits(font).ToPixels(layout.width(), layout.height()) + QSize(16, 48);
    };
    EXPECT_LE(window(fitted.pointSizeF()).height(), laptop.height());
    // The largest size that fits: half a point more does not.
    EXPECT_GT(window(fitted.pointSizeF() + 0.5).height(), laptop.height());
}

TEST(FontThatFits, StopsAtItsSmallestSizeAndNeverEnlargesOrTouchesAPixelFont) {
    const QSize layout(437, 350);
    const QSize tiny(320, 240);
    EXPECT_EQ(FontThatFits(QFont(QStringLiteral("DejaVu Sans"), 11), layout, tiny).pointSizeF(),
              kSmallestDialogPointSize);
    EXPECT_EQ(FontThatFits(QFont(QStringLiteral("DejaVu Sans"), 6), layout, tiny).pointSizeF(),
              6.0);
    QFont pixels(QStringLiteral("DejaVu Sans"));
    pixels.setPixelSize(20);
    EXPECT_EQ(FontThatFits(pixels, layout, tiny), pixels);
}

INSTANTIATE_TEST_SUITE_P(DesktopFonts, WindowLayout, testing::ValuesIn(kDesktopFonts),
                         [](const testing::TestParamInfo<DesktopFont>& info) {
                             return std::string(info.param.desktop == std::string("Qt default")
                                                    ? "QtDefault"
                                                    : info.param.desktop);
                         });

// What a screen reader says for each control of the three dialogs.
class ScreenReader : public testing::Test {
protected:
    static QString NameOf(QWidget* widget) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        return accessible ? accessible->text(QAccessible::Name) : QString();
    }

    MessageBoxScript boxes;
};

TEST_F(ScreenReader, LinkIndicatorsTellTheirStateUnderTheirName) {
    CConsoleWindow console(false, nullptr, ConsoleServices{AdaptersWithEntries(0)});
    console.show();
    EXPECT_EQ(UnnamedControls(&console), QStringList()) << Lines(UnnamedControls(&console));
    console.LinkIndicator(2)->setChecked(true);
    for (int controller = 1; controller <= 4; ++controller) {
        QAccessibleInterface* accessible =
            QAccessible::queryAccessibleInterface(console.LinkIndicator(controller));
        // Several may be on at once, so Qt announces them as check boxes: either is right.
        EXPECT_TRUE(accessible->role() == QAccessible::RadioButton ||
                    accessible->role() == QAccessible::CheckBox);
        EXPECT_TRUE(accessible->state().checkable) << controller;
        EXPECT_EQ(accessible->text(QAccessible::Name),
                  QStringLiteral("Контроллер %1").arg(controller));
        EXPECT_EQ(bool(accessible->state().checked), controller == 2) << controller;
        EXPECT_TRUE(accessible->state().disabled) << controller;
    }
}

TEST_F(ScreenReader, SelectionDialogNamesItsListAndButtons) {
    QStringList unnamed{QStringLiteral("not shown")};
    QString listName;
    QStringList buttonNames;
    WhenWindowShows(QStringLiteral("selectAdapterDialog"), [&](QWidget* dialog) {
        unnamed = UnnamedControls(dialog);
        listName = NameOf(qobject_cast<CSelectNetworkAdapter*>(dialog)->AdapterListView());
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            buttonNames << NameOf(button);
        }
        qobject_cast<QDialog*>(dialog)->reject();
    });
    CConsoleWindow console(false, nullptr, ConsoleServices{AdaptersWithEntries(2)});
    console.show();
    EXPECT_EQ(unnamed, QStringList()) << Lines(unnamed);
    EXPECT_TRUE(
        listName.startsWith(QStringLiteral("В компьютере обнаружено несколько сетевых адаптеров")))
        << listName.toStdString();
    EXPECT_EQ(buttonNames,
              (QStringList{QString::fromUtf16(u"\u041E\u041A"), QStringLiteral("Отмена")}));
}

TEST_F(ScreenReader, AboutBoxNamesItsIconAndButton) {
    CConsoleWindow console(false, nullptr, ConsoleServices{AdaptersWithEntries(0)});
    console.show();
    QStringList unnamed{QStringLiteral("not shown")};
    QStringList names;
    WhenWindowShows(QStringLiteral("aboutDialog"), [&](QWidget* dialog) {
        unnamed = UnnamedControls(dialog);
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            names << NameOf(label);
        }
        names << NameOf(dialog->findChild<QPushButton*>());
        qobject_cast<QDialog*>(dialog)->accept();
    });
    console.ShowAbout(kAboutCommandId);
    EXPECT_EQ(unnamed, QStringList()) << Lines(unnamed);
    EXPECT_EQ(names, (QStringList{"Kestrune",
                                  "Конфигурирование IP хабов «Тамрил».\nПрограммирование номеров "
                                  "контроллеров\nРедакция 3.15",
                                  "OK"}));
}

} // namespace
