#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/support/ConsoleDriver.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class HubListTest : public testing::Test {
protected:
    void SetUp() override {
        console.show();
        EXPECT_TRUE(WaitUntilIdle(console)); // the start-up search runs after the first paint
        HubList& hubs = console.hubList();
        hubs.hubAddresses = {"198.18.0.11", "198.18.0.12", "198.18.0.13"};
        hubs.hubModelTexts = {"HUB-4 1.07", "HUB-4 0.95", "<b>HUB</b> 2.00"};
        hubs.hubPhysicalAddresses = {"02-00-5E-12-00-0B", "02-00-5E-12-00-0C", "02-00-5E-12-00-0D"};
        console.Console().FillHubList();
    }

    QTreeWidget* List() { return console.HubListView(); }
    QString Physical() {
        return qobject_cast<QLineEdit*>(console.Control(IDC_PHYSICAL_ADDRESS))->text();
    }
    QLineEdit* NumberField() {
        return qobject_cast<QLineEdit*>(console.Control(IDC_CONTROLLER_NUMBER));
    }
    void ClickRow(int row) {
        const QRect rect = List()->visualItemRect(List()->topLevelItem(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
        QCoreApplication::processEvents();
    }
    void ClickHeader(int column) {
        QHeaderView* header = List()->header();
        const QPoint middle(header->sectionViewportPosition(column) +
                                header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
        QCoreApplication::processEvents();
    }
    QStringList Column(int column) {
        QStringList texts;
        for (int row = 0; row < List()->topLevelItemCount(); ++row)
            texts << List()->topLevelItem(row)->text(column);
        return texts;
    }
    void ClickEmptyArea() {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          QPoint(10, List()->viewport()->height() - 3));
        QCoreApplication::processEvents();
    }

    MessageBoxScript boxes;
    CConsoleWindow console{false, nullptr, ConsoleServices{AdaptersWithEntries(0)}};
};

TEST_F(HubListTest, RowsShowTheListInOrderAsPlainText) {
    ASSERT_EQ(List()->topLevelItemCount(), 3);
    QTreeWidgetItem* last = List()->topLevelItem(2);
    EXPECT_EQ(last->text(0), QStringLiteral("198.18.0.13"));
    EXPECT_EQ(last->text(1), QString());
    EXPECT_EQ(last->text(2), QStringLiteral("02-00-5E-12-00-0D"));
    EXPECT_EQ(last->text(3), QStringLiteral("<b>HUB</b> 2.00"));
    EXPECT_TRUE(List()->selectedItems().isEmpty());
}

TEST_F(HubListTest, AClickTakesTheRowIntoTheConnectionFields) {
    NumberField()->setText(QStringLiteral("3")); // typed, not committed
    ClickRow(1);
    EXPECT_EQ(console.hubList().selectedHubIndex, 1);
    EXPECT_EQ(console.IpField(IDC_CONNECT_ADDRESS)->Text(), QStringLiteral("198.18.0.12"));
    EXPECT_EQ(Physical(), QStringLiteral("02-00-5E-12-00-0C"));
    EXPECT_TRUE(console.Button(IDC_CONNECT)->isEnabled());
    EXPECT_EQ(NumberField()->text(), QStringLiteral("1")); // the stored number shown again
}

TEST_F(HubListTest, AClickOnNothingKeepsTheFieldsAndDecidesTheButtonBy107) {
    ClickRow(0);
    ClickEmptyArea();
    ASSERT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_EQ(console.hubList().selectedHubIndex, 0);
    EXPECT_EQ(console.IpField(IDC_CONNECT_ADDRESS)->Text(), QStringLiteral("198.18.0.11"));
    EXPECT_EQ(Physical(), QStringLiteral("02-00-5E-12-00-0B"));
    EXPECT_TRUE(console.Button(IDC_CONNECT)->isEnabled());

    console.IpField(IDC_CONNECT_ADDRESS)->ClearAddress();
    ClickEmptyArea();
    EXPECT_FALSE(console.Button(IDC_CONNECT)->isEnabled());
}

TEST_F(HubListTest, ArrowsMoveTheSelectionButOnlySpaceTakesIt) {
    ClickRow(0);
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Down);
    QCoreApplication::processEvents();
    EXPECT_EQ(List()->selectedItems().value(0), List()->topLevelItem(1));
    EXPECT_EQ(console.IpField(IDC_CONNECT_ADDRESS)->Text(), QStringLiteral("198.18.0.11"));
    QTest::keyClick(List(), Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_EQ(console.IpField(IDC_CONNECT_ADDRESS)->Text(), QStringLiteral("198.18.0.12"));
    EXPECT_EQ(console.hubList().selectedHubIndex, 1);
}

TEST_F(HubListTest, ANewSearchEmptiesTheRowsButKeepsTheSelectedIndex) {
    ClickRow(2);
    console.hubList() = HubList{{"198.18.0.11"}, {"HUB-4 1.07"}, {"02-00-5E-12-00-0B"}, 2};
    console.Console().FillHubList();
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_EQ(console.hubList().selectedHubIndex, 2);
    ClickRow(0);
    EXPECT_EQ(console.hubList().selectedHubIndex, 0);
}

TEST_F(HubListTest, FillShowsTheFormCommitMessageForABadNumber) {
    NumberField()->clear();
    console.Console().FillHubList();
    EXPECT_EQ(boxes.Texts().count(QStringLiteral("Enter a positive integer.")), 2);
    EXPECT_EQ(List()->topLevelItemCount(), 3);
}

TEST_F(HubListTest, AHubWithAWarningIsMarkedAndSaysItToTheEyeAndTheScreenReader) {
    const std::string warning = "Адрес 198.18.0.11 занят двумя хабами: <b>02-00-5E-12-00-0C</b>.\n"
                                "Компьютер в другой подсети.\n";
    console.ShowHubRows({{"198.18.0.11", "", "02-00-5E-12-00-0B", "HUB-4 1.07", warning},
                         {"198.18.0.12", "", "02-00-5E-12-00-0C", "HUB-4 0.95", ""}});
    QCoreApplication::processEvents(); // the rows are laid out, and reach the screen reader
    const QString said = QString::fromStdString(warning).trimmed();
    QTreeWidgetItem* marked = List()->topLevelItem(0);
    QTreeWidgetItem* plain = List()->topLevelItem(1);
    EXPECT_FALSE(marked->icon(0).isNull());
    EXPECT_TRUE(plain->icon(0).isNull());
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(List())->tableInterface();
    ASSERT_NE(table, nullptr);
    for (int column = 0; column < 4; ++column) {
        // Shown as the words, never as markup.
        EXPECT_EQ(QTextDocumentFragment::fromHtml(marked->toolTip(column)).toPlainText(), said);
        EXPECT_TRUE(plain->toolTip(column).isEmpty());
        QAccessibleInterface* markedCell = table->cellAt(0, column);
        QAccessibleInterface* plainCell = table->cellAt(1, column);
        ASSERT_TRUE(markedCell && plainCell);
        EXPECT_EQ(markedCell->text(QAccessible::Description), said);
        EXPECT_TRUE(plainCell->text(QAccessible::Description).isEmpty());
    }
}

TEST_F(HubListTest, EachColumnSortsAndTheHubPickedIsTheOneConnectedTo) {
    console.hubList() = HubList{{"198.18.0.11", "198.18.0.9", "198.18.0.100"},
                                {"A 1.0", "C 1.0", "B 1.0"},
                                {"02-00-5E-12-00-0C", "02-00-5E-12-00-0B", "02-00-5E-12-00-0A"}};
    console.Console().FillHubList();
    ASSERT_EQ(Column(0), (QStringList{"198.18.0.11", "198.18.0.9", "198.18.0.100"}));

    ClickHeader(0); // by number, not as text
    EXPECT_EQ(Column(0), (QStringList{"198.18.0.9", "198.18.0.11", "198.18.0.100"}));
    ClickRow(0);
    EXPECT_EQ(console.hubList().selectedHubIndex, 1);
    EXPECT_EQ(Physical(), QStringLiteral("02-00-5E-12-00-0B"));
    ClickHeader(0);
    EXPECT_EQ(Column(0), (QStringList{"198.18.0.100", "198.18.0.11", "198.18.0.9"}));

    ClickHeader(2);
    EXPECT_EQ(Column(2),
              (QStringList{"02-00-5E-12-00-0A", "02-00-5E-12-00-0B", "02-00-5E-12-00-0C"}));
    ClickRow(0);
    EXPECT_EQ(console.hubList().selectedHubIndex, 2);
    EXPECT_EQ(console.IpField(IDC_CONNECT_ADDRESS)->Text(), QStringLiteral("198.18.0.100"));

    ClickHeader(3);
    EXPECT_EQ(Column(3), (QStringList{"A 1.0", "B 1.0", "C 1.0"}));
    ClickRow(2);
    EXPECT_EQ(console.hubList().selectedHubIndex, 1);
    // A double-click connects to the hub on that row.
    ASSERT_TRUE(console_driver::DoubleClickHub(console, QStringLiteral("198.18.0.100")));
    EXPECT_TRUE(WaitUntilIdle(console));
    EXPECT_EQ(console.IpField(IDC_CONNECT_ADDRESS)->Text(), QStringLiteral("198.18.0.100"));
    EXPECT_TRUE(console.Log()->Text().contains(QStringLiteral("198.18.0.100")))
        << console.Log()->Text().toStdString();
}

TEST_F(HubListTest, EqualCellsKeepTheOrderTheRepliesCameInEitherWayAndTheSelectionStays) {
    console.hubList() = HubList{
        {"198.18.0.1", "198.18.0.2", "198.18.0.3", "198.18.0.4"},
        {"B 1.0", "A 1.0", "B 1.0", "A 1.0"},
        {"02-00-5E-12-00-01", "02-00-5E-12-00-02", "02-00-5E-12-00-03", "02-00-5E-12-00-04"}};
    console.Console().FillHubList();
    ClickRow(2);
    ClickHeader(3);
    EXPECT_EQ(Column(0), (QStringList{"198.18.0.2", "198.18.0.4", "198.18.0.1", "198.18.0.3"}));
    ClickHeader(3);
    EXPECT_EQ(Column(0), (QStringList{"198.18.0.1", "198.18.0.3", "198.18.0.2", "198.18.0.4"}));
    EXPECT_EQ(List()->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(console.SelectedHubRow(), 2);
    EXPECT_EQ(List()->currentItem(), List()->topLevelItem(1));
}

} // namespace
