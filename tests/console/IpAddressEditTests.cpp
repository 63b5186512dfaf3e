#include "gui/IpAddressEdit.h"

#include <QAccessible>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class IpAddressEditTest : public testing::Test {
protected:
    void SetUp() override {
        edit.resize(200, 24);
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
        edit.Field(0)->setFocus();
    }

    QLineEdit* Focused() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

    CIpAddressEdit edit;
};

TEST_F(IpAddressEditTest, ReadsSetsAndClearsTheAddress) {
    std::uint32_t value = 1;
    EXPECT_EQ(edit.GetAddress(&value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(edit.IsBlank());
    EXPECT_EQ(edit.Text(), QString());

    edit.SetAddress(0xC0A8010Au);
    EXPECT_EQ(edit.GetAddress(&value), 4);
    EXPECT_EQ(value, 0xC0A8010Au);
    EXPECT_EQ(edit.Text(), QStringLiteral("192.168.1.10"));
    EXPECT_EQ(edit.FieldValue(0), 192);
    EXPECT_EQ(edit.FieldValue(3), 10);

    // Zero is a value, not a blank: all four parts show.
    edit.SetAddress(0);
    EXPECT_EQ(edit.GetAddress(&value), 4);
    EXPECT_EQ(edit.Text(), QStringLiteral("0.0.0.0"));

    edit.ClearAddress();
    EXPECT_TRUE(edit.IsBlank());
    EXPECT_EQ(edit.FieldValue(2), CIpAddressEdit::kBlank);
}

TEST_F(IpAddressEditTest, CountsOnlyFilledPartsAndReadsBlanksAsZero) {
    edit.Field(0)->setText(QStringLiteral("10"));
    edit.Field(2)->setText(QStringLiteral("7"));
    std::uint32_t value = 0;
    EXPECT_EQ(edit.GetAddress(&value), 2);
    EXPECT_EQ(value, 0x0A000700u);
    EXPECT_EQ(edit.Text(), QStringLiteral("10..7."));
    EXPECT_FALSE(edit.IsBlank());
}

TEST_F(IpAddressEditTest, TypingMovesThroughThePartsAsTechniciansExpect) {
    QSignalSpy changes(&edit, &CIpAddressEdit::FieldChanged);
    QTest::keyClicks(Focused(), QStringLiteral("192"));      // three digits move on
    ASSERT_EQ(Focused(), edit.Field(1));
    QTest::keyClicks(Focused(), QStringLiteral("168."));     // "." moves on
    ASSERT_EQ(Focused(), edit.Field(2));
    QTest::keyClicks(Focused(), QStringLiteral(".1 "));      // "." on an empty part is ignored
    ASSERT_EQ(Focused(), edit.Field(3));
    QTest::keyClicks(Focused(), QStringLiteral("10"));
    EXPECT_EQ(edit.Text(), QStringLiteral("192.168.1.10"));
    EXPECT_GE(changes.count(), 4);
    EXPECT_EQ(changes.last().at(0).toInt(), 3);
    EXPECT_EQ(changes.last().at(1).toInt(), 10);

    // Backspace deletes within a part, then at the part's start goes back.
    QTest::keyClick(Focused(), Qt::Key_Backspace);
    QTest::keyClick(Focused(), Qt::Key_Backspace);
    EXPECT_EQ(edit.FieldValue(3), CIpAddressEdit::kBlank);
    QTest::keyClick(Focused(), Qt::Key_Backspace);
    ASSERT_EQ(Focused(), edit.Field(2));
    EXPECT_EQ(Focused()->cursorPosition(), 1);

    // Arrows cross part boundaries at the ends.
    QTest::keyClick(Focused(), Qt::Key_Right);
    EXPECT_EQ(Focused(), edit.Field(3));
    QTest::keyClick(Focused(), Qt::Key_Left);
    EXPECT_EQ(Focused(), edit.Field(2));
}

TEST_F(IpAddressEditTest, ValuesOverTheLimitComeBackTo255AndLettersAreRefused) {
    QTest::keyClicks(Focused(), QStringLiteral("300"));
    EXPECT_EQ(edit.FieldValue(0), 255);
    EXPECT_EQ(edit.Field(0)->text(), QStringLiteral("255"));
    QTest::keyClicks(Focused(), QStringLiteral("a-9x"));
    EXPECT_EQ(edit.Field(1)->text(), QStringLiteral("9"));
}

TEST_F(IpAddressEditTest, ProgramChangesRaiseNoFieldChange) {
    QSignalSpy userChanges(&edit, &CIpAddressEdit::FieldChanged);
    QSignalSpy anyChanges(&edit, &CIpAddressEdit::AddressChanged);
    edit.SetAddress(0x01020304u);
    edit.ClearAddress();
    EXPECT_EQ(userChanges.count(), 0);
    EXPECT_GT(anyChanges.count(), 0);
}

TEST_F(IpAddressEditTest, ScreenReadersReadTheDottedAddress) {
    edit.setAccessibleName(QStringLiteral("IP адрес хаба:"));
    edit.SetAddress(0xC6120001u);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&edit);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("198.18.0.1"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("IP адрес хаба:"));
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
}

TEST(DottedAddress, OnlyFourDecimalPartsUpTo255) {
    EXPECT_EQ(ParseDottedAddress(QStringLiteral("192.168.1.10")), 0xC0A8010Au);
    EXPECT_EQ(ParseDottedAddress(QStringLiteral("0.0.0.0")), 0u);
    EXPECT_EQ(ParseDottedAddress(QStringLiteral("255.255.255.255")), 0xFFFFFFFFu);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "a.b.c.d", "+1.2.3.4",
                            " 1.2.3.4", "1.2.3.4 ", "0x1.2.3.4", "1.2.3.-4"}) {
        EXPECT_FALSE(ParseDottedAddress(QString::fromLatin1(bad))) << bad;
    }
}

TEST_F(IpAddressEditTest, ShowsDottedTextOrStaysBlank) {
    edit.SetAddressText(QStringLiteral("198.18.0.1"));
    EXPECT_EQ(edit.Text(), QStringLiteral("198.18.0.1"));
    edit.SetAddressText(QStringLiteral("not an address"));
    EXPECT_TRUE(edit.IsBlank());
}

} // namespace
