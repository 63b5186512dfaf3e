// The rules on a hub's new IP parameters as whole values: what can never work on a LAN,
// and the gateway that is only asked about.
#include "hubsession/HubParameterRules.h"

#include <gtest/gtest.h>

namespace {

Ipv4 Address(const std::string& dotted) {
    return *Ipv4::Parse(dotted);
}

const Ipv4 kAdapter = Address("198.18.100.1");

std::string Failure(const std::string& address, const std::string& mask,
                    const std::string& gateway = "0.0.0.0") {
    return CheckHubParameterValues({Address(address), Address(mask), Address(gateway)}, kAdapter)
        .value_or("passes");
}

} // namespace

TEST(HubParameterRules, WhatCanNeverWorkOnALanIsRefusedEachInItsOwnWords) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"127.0.0.10", "255.0.0.0"},
         "Адрес обратной петли (127.x.x.x) недопустим в качестве IP адреса хаба"},
        {{"224.0.0.10", "255.255.255.0"},
         "Групповой адрес (224.x.x.x - 239.x.x.x) недопустим в качестве IP адреса хаба"},
        {{"239.255.255.10", "255.255.255.0"},
         "Групповой адрес (224.x.x.x - 239.x.x.x) недопустим в качестве IP адреса хаба"},
        {{"240.0.0.10", "255.255.255.0"},
         "Зарезервированный адрес (240.x.x.x и выше) недопустим в качестве IP адреса хаба"},
        // A mask with a gap, such as 1.2.3.4, which the field rules alone let through.
        {{"198.18.100.31", "1.2.3.4"},
         "Неверная маска подсети: единичные биты в ней должны идти подряд"},
        {{"198.18.100.31", "255.0.255.0"},
         "Неверная маска подсети: единичные биты в ней должны идти подряд"},
        {{"198.18.100.31", "255.255.255.253"},
         "Неверная маска подсети: единичные биты в ней должны идти подряд"},
        {{"198.18.100.31", "0.0.0.0"},
         "Недопустимая маска подсети: допустимы маски от 255.0.0.0 до 255.255.255.252"},
        {{"198.18.100.31", "254.0.0.0"},
         "Недопустимая маска подсети: допустимы маски от 255.0.0.0 до 255.255.255.252"},
        {{"198.18.100.31", "255.255.255.254"},
         "Недопустимая маска подсети: допустимы маски от 255.0.0.0 до 255.255.255.252"},
        {{"198.18.100.31", "255.255.255.255"},
         "Недопустимая маска подсети: допустимы маски от 255.0.0.0 до 255.255.255.252"},
        {{"198.18.100.128", "255.255.255.128"},
         "IP адрес хаба не может совпадать с адресом подсети"},
        {{"198.18.100.28", "255.255.255.252"},
         "IP адрес хаба не может совпадать с адресом подсети"},
        {{"198.18.100.127", "255.255.255.128"},
         "IP адрес хаба не может совпадать с широковещательным адресом подсети"},
        {{"198.18.100.1", "255.255.255.0"},
         "IP адрес хаба не может совпадать с адресом сетевого адаптера компьютера"},
    };
    for (const auto& [given, message] : refused)
        EXPECT_EQ(Failure(given[0], given[1]), message) << given[0] << "/" << given[1];
}

TEST(HubParameterRules, WholeValuesAreJudgedBeforeTheLan) {
    // Each case would also fail a later rule: the first one's message is shown.
    EXPECT_EQ(Failure("0.168.1.10", "255.0.255.0"),
              "Нулевое значение поля в IP адресе недопустимо");
    EXPECT_EQ(Failure("192.168.1.255", "255.255.255.0"), "Неверное значение поля в IP адресе");
    EXPECT_EQ(Failure("127.0.0.10", "255.255.255.0", "0.0.0.255"),
              "Неверное значение поля в адресе шлюза");
}

TEST(HubParameterRules, WorkableParametersPass) {
    for (const auto& [address, mask] : std::vector<std::pair<std::string, std::string>>{
             {"192.0.0.10", "255.255.255.0"},      // parts 2 and 3 are free
             {"10.0.0.1", "255.0.0.0"},            // /8, the widest
             {"198.18.100.29", "255.255.255.252"}, // /30, the narrowest
             {"198.18.100.64", "255.255.255.128"}, // mid-subnet under /25
             {"203.0.113.7", "255.255.255.0"}, // another subnet than the adapter's: a site's VLAN
             {"223.255.255.1", "255.255.255.0"}}) {
        EXPECT_EQ(Failure(address, mask), "passes") << address << "/" << mask;
    }
    // The adapter's address is the only one refused for being the adapter's.
    EXPECT_EQ(Failure("198.18.100.2", "255.255.255.0"), "passes");
}

TEST(HubParameterRules, OnlyAGivenGatewayOutsideTheNewSubnetIsAskedAbout) {
    const auto outside = [](const char* address, const char* mask, const char* gateway) {
        return GatewayOutsideSubnet({Address(address), Address(mask), Address(gateway)});
    };
    EXPECT_FALSE(outside("198.18.100.31", "255.255.255.0", "198.18.100.1"));
    EXPECT_FALSE(outside("198.18.100.31", "255.255.255.0", "0.0.0.0")); // none
    EXPECT_FALSE(outside("198.18.101.31", "255.255.254.0", "198.18.100.1"));
    EXPECT_TRUE(outside("198.18.100.31", "255.255.255.0", "198.18.101.1"));
    EXPECT_TRUE(outside("198.18.100.31", "255.255.255.128", "198.18.100.129"));

    EXPECT_EQ(MaskPrefixLength(Address("255.255.255.0")), 24);
    EXPECT_EQ(MaskPrefixLength(Address("0.0.0.0")), 0);
    EXPECT_EQ(MaskPrefixLength(Address("255.255.255.255")), 32);
    EXPECT_FALSE(MaskPrefixLength(Address("255.255.0.255")));
}
