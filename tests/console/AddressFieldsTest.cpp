#include "console/AddressFields.h"

#include <gtest/gtest.h>

namespace {

// "a.b.c.d" with any part left empty for a blank.
AddressParts Parts(const std::string& dotted) {
    AddressParts parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t dot = dotted.find('.', start);
        const std::string part = dotted.substr(start, dot - start);
        if (!part.empty())
            parts[i] = std::stoi(part);
        start = dot + 1;
    }
    return parts;
}

const Ipv4 kAdapter = *Ipv4::Parse("198.18.100.1");

std::string Failure(const std::string& address, const std::optional<std::string>& mask,
                    const std::string& gateway = "...", std::optional<Ipv4> adapter = kAdapter) {
    const auto maskParts = mask ? std::optional<AddressParts>(Parts(*mask)) : std::nullopt;
    return CheckNewHubParameters(Parts(address), maskParts, Parts(gateway), adapter)
        .value_or("passes");
}

// The rules on blanks sit among the rules on whole values, in the order the window has
// always checked them: each case would also fail a later rule, and the first one's
// message is shown.
TEST(HubParameterForm, TheSixFieldRulesComeFirstInTheirOrder) {
    EXPECT_EQ(Failure("127..1.10", "0.0.0.0"), "Пустые поля в IP адресе недопустимы");
    EXPECT_EQ(Failure("0.168.1.10", "255.0.255.0"),
              "Нулевое значение поля в IP адресе недопустимо");
    EXPECT_EQ(Failure("192.168.1.0", "255.255.255.0"),
              "Нулевое значение поля в IP адресе недопустимо");
    EXPECT_EQ(Failure("255.168.1.10", "255.255.255.0"), "Неверное значение поля в IP адресе");
    EXPECT_EQ(Failure("192.168.1.255", "255.255.255.0"), "Неверное значение поля в IP адресе");
    EXPECT_EQ(Failure("224.0.0.10", "255..255.0"), "Пустые поля в маске подсети недопустимы");
    EXPECT_EQ(Failure("127.0.0.10", "255.255.255.0", "192.168.1."),
              "Незаполненные поля в адресе шлюза недопустимы");
    EXPECT_EQ(Failure("127.0.0.10", "255.255.255.0", "0.0.0.255"),
              "Неверное значение поля в адресе шлюза");
    // Then the rules on the LAN; a blank gateway is none.
    EXPECT_EQ(Failure("127.0.0.10", "255.0.0.0"),
              "Адрес обратной петли (127.x.x.x) недопустим в качестве IP адреса хаба");
    EXPECT_EQ(Failure("192.0.0.10", "255.255.255.0", "..."), "passes");
}

TEST(HubParameterForm, AMaskNotReadYetLeavesItsRulesToTheSession) {
    EXPECT_EQ(Failure("198.18.100.128", std::nullopt),
              "passes"); // a network address under /25 only
    EXPECT_EQ(Failure("198.18.100.1", std::nullopt, "...", std::nullopt), "passes");
    EXPECT_EQ(Failure("198.18.100.1", std::nullopt),
              "IP адрес хаба не может совпадать с адресом сетевого адаптера компьютера");
    EXPECT_EQ(Failure("198.18..1", std::nullopt), "Пустые поля в IP адресе недопустимы");
    EXPECT_EQ(Failure("230.1.1.1", std::nullopt),
              "Групповой адрес (224.x.x.x - 239.x.x.x) недопустим в качестве IP адреса хаба");
}

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
