#include "console/AddressFields.h"

#include <gtest/gtest.h>

namespace {

TEST(AddressFields, OnlyFourDecimalPartsFillAControl) {
    EXPECT_EQ(ParseDottedQuad("198.18.140.11"), 0xC6128C0Bu);
    EXPECT_EQ(ParseDottedQuad("0.0.0.0"), 0u);
    EXPECT_EQ(ParseDottedQuad("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* text : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1..3.4", "1.2.3.4.",
                             "0x1.2.3.4", "1.2.3.0004", " 1.2.3.4", "1.2.3.-4", "1.2.3.4x"}) {
        EXPECT_FALSE(ParseDottedQuad(text)) << text;
    }
}

TEST(AddressFieldsText, BlankPartsStayEmpty) {
    EXPECT_EQ(AddressFieldsText({192, std::nullopt, 1, 10}), "192..1.10");
    EXPECT_EQ(AddressFieldsText({std::nullopt, std::nullopt, std::nullopt, 0}), "...0");
    EXPECT_EQ(AddressFieldsText({}), "");
}

} // namespace
