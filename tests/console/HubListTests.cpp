#include "console/IpAddressEdit.h"
#include "resources/ConsoleTemplate.h"
#include "tests/console/ConsoleFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class HubListTest : public testing::Test {
protected:
    void SetUp() override {
        console.show();
        HubList& hubs = console.hubList();
        hubs.hubAddresses = {"198.18.0.11", "198.18.0.12", "198.18.0.13"};
        hubs.hubModelTexts = {"HUB-4 1.07", "HUB-4 0.95", "<b>HUB</b> 2.00"};
        hubs.hubPhysicalAddresses = {"02-00-5E-12-00-0B", "02-00-5E-12-00-0C", "02-00-5E-12-00-0D"};
        console.FillHubList();
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
    void ClickEmptyArea() {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          QPoint(10, List()->viewport()->height() - 3));
        QCoreApplication::processEvents();
    }

    MessageBoxScript boxes;
    CKestruneDlg console{false, nullptr, ConsoleServices{AdaptersWithEntries(0)}};
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
    console.FillHubList();
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_EQ(console.hubList().selectedHubIndex, 2);
    ClickRow(0);
    EXPECT_EQ(console.hubList().selectedHubIndex, 0);
}

TEST_F(HubListTest, FillShowsTheFormCommitMessageForABadNumber) {
    NumberField()->clear();
    console.FillHubList();
    EXPECT_EQ(boxes.Texts().count(QStringLiteral("Enter a positive integer.")), 2);
    EXPECT_EQ(List()->topLevelItemCount(), 3);
}

} // namespace
